#pragma once
// The sub-window from which the user picks what to measure: the ECUs the
// job lists know on the left, the chosen ECU's jobs (its custom jobs first,
// in blue) on the right. A double click queues a copy of the job and
// announces it, so that its plot window opens. It stays open for the whole run.
// When the custom jobs do not read, it says so under the jobs, and shows
// them once the file is mended.
#include "cjob.h"
#include "kelvolog.h"

#include <QBrush>
#include <QModelIndex>
#include <QWidget>

class CPRGFile;
class FileWatch;
class JobListFileReader;
class QListWidget;

namespace Ui {
class EcuJobListWindow;
}

class EcuJobListWindow : public QWidget
{
    Q_OBJECT
public:
    explicit EcuJobListWindow(QWidget *parent = nullptr);
    ~EcuJobListWindow() override;

    // The jobs of the chosen ECU (null before a choice), for the form's rows.
    const CPRGFile *currentJobFile() const { return currentPrg; }
    // The ECU of the current row; empty before a choice.
    QString currentEcu() const;

signals:
    void ecuSelected(QString ecu);
    // A job the user double-clicked was queued: whoever owns the plots shows it.
    void jobChosen(CJob job);

public slots:
    void selectEcu(QString _ecu);

private slots:
    void listEcuContextMenu(const QPoint &pos);
    void on_listJobs_doubleClicked(QModelIndex index);
    void on_listEcus_currentRowChanged(int currentRow);
    void on_listJobs_currentRowChanged(int currentRow);
    void on_listEcus_clicked(QModelIndex index);
    void on_txtFilter_textChanged(QString text);
    void on_txtJobsFilter_textChanged(QString text);
    void on_listEcus_activated(QModelIndex index);
    void on_listJobs_clicked(QModelIndex index);
    void onCustomJobsChanged();

protected:
    void closeEvent(QCloseEvent *e) override;

private:
    // The ECU's jobs, its custom jobs first.
    void showJobs(const QString &name);
    void showJobLabel(int row);
    // Custom jobs show in blue, a shade that reads on the theme's list.
    QBrush customJobColour() const;
    void recolourCustomJobs();
    static void filterList(QListWidget *list, const QString &text);

    Ui::EcuJobListWindow *ui = nullptr;
    CPRGFile *currentPrg = nullptr;
    JobListFileReader *reader = nullptr;
    FileWatch *customJobsWatch = nullptr;
    log4cplus::Logger logger;
};
