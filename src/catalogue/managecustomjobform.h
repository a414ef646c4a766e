#pragma once
// The sub-window in which the user looks after custom jobs: pick an ECU that
// has custom jobs and one of its jobs, and see the job's selectors resolved
// against the ECU's PRG table (row, result, translated name, table info).
// Selectors are added by double-clicking rows of a table browser opened
// from here ("Table...") and removed with Delete or Backspace; "New Job"
// and "Delete Job" create and delete custom jobs; "Start job" queues the job.
//
// Every change re-reads the job's entry from the store and edits what the
// file holds, so two windows do not overwrite each other's selectors. A
// change the store refuses is shown to the user and the window reloads from
// the file. The window never creates the file. While the file does not read
// the window says why above its lists, and it reads the file again each
// time the file changes, so the jobs come back once it is mended. The same
// line names the entries of the chosen job that resolve to no row of its
// table, and says why a double-clicked row added nothing.
//
// It announces what it needs of the main window: a started job's plot
// window (jobStarted) and a sub-window for each browser (tableBrowserOpened).
#include "cjob.h"
#include "kelvolog.h"
#include "prgfilereader.h"
#include "prgtablecache.h"

#include <QModelIndex>
#include <QStringList>
#include <QWidget>
#include <functional>

class FileWatch;
class PRGTableTest;
class QKeyEvent;
class QStandardItemModel;
class TranslationMgr;

namespace Ui {
class ManageCustomJobForm;
}

class ManageCustomJobForm : public QWidget
{
    Q_OBJECT
public:
    explicit ManageCustomJobForm(QWidget *parent = nullptr);
    ~ManageCustomJobForm() override;

    // Fills the ECU list with the ECUs that have custom jobs; says why
    // when the file does not read.
    void loadJobs();
    // The job stored with that item of the job list; ok false (and a
    // default job) when the item carries none.
    CJob getJobFromCombo(bool &ok, int index);
    void setJobToCombo(CJob &job, int index, bool &ok);
    // The ECU's table, read on a miss; null when it does not read.
    const PRGTable *getTableFromCache(const QString &ecu, const QString &table);
    // The virtual name proposed for a new custom job: "SET_" and one more
    // than the highest number of the listed "SET_<n>" names.
    QString nextSetName();

    QStandardItemModel *selectorModel() const { return model; }

signals:
    // "Start job" queued a copy of the job: whoever owns the plots shows it.
    void jobStarted(CJob job);
    // "Table..." made a browser that reports its double clicks here: whoever
    // owns the sub-windows shows it (else it opens as a window of its own).
    void tableBrowserOpened(PRGTableTest *browser);

public slots:
    void on_cmbEcu_activated(int index);
    void on_cmbJobs_activated(int index);
    void onTableDoubleClicked(QString ecu, QString argTable, QStringList rowData);
    void onTableKeyPressed(QKeyEvent *e, QModelIndex index);

private slots:
    void on_pushButton_2_clicked();
    void on_pushButton_clicked();
    void on_btnNewJob_clicked();
    void on_btnDelJob_clicked();
    void on_tableView_pressed(QModelIndex index);
    void onTablePressed(QModelIndex index);
    void onStoreChanged();

protected:
    void keyPressEvent(QKeyEvent *e) override;

private:
    // Applies `edit` to the job's entry as the file holds it now and stores
    // the result; `edit` returns why it refuses (empty: done). False when
    // nothing was stored; a store failure is shown and the window reloads.
    bool changeStoredJob(const CJob &job, const std::function<QString(CJob &)> &edit);
    // Shows what the file holds, the given ECU and job chosen again when
    // they are still there.
    void reload(const QString &ecu, const CJob &job = CJob());
    void clearSelectors();
    // The window's problem line: why the store does not read, which entries
    // of the chosen job name no row of its table, why a pick added nothing.
    void showProblems();
    // A double click that adds nothing: logged and said in the problem line.
    void refusePick(const QString &why);
    // A message box for the user, also logged.
    void report(const QString &text);
    // The ECU the window opens with: the one last plotted, when it has jobs.
    static QString lastPlotEcu();

    Ui::ManageCustomJobForm *ui;
    QStandardItemModel *model;
    PRGFileReader reader;
    log4cplus::Logger logger;
    PRGTableCache tableCache;
    TranslationMgr *translations;
    FileWatch *storeWatch;
    QString storeProblem;
    QString selectorProblem;
    QString pickProblem;
};
