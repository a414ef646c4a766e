#pragma once
// "Data Logger": logs the first curve of every plot of every open plot
// window to CSV files through a DataLogger in a thread of its own, started
// and stopped by hand or by a rule over one value, with markers, sync jobs
// and the user's choice of separators, time column and column titles.
// Failures (a folder that refuses the file, a full disk) stay in the window
// in red until the next start, and each is reported once in a warning.
#include "cjob.h"
#include "cjobresultpair.h"
#include "jobidentity.h"
#include "kelvolog.h"

#include <QList>
#include <QString>
#include <QTimer>
#include <QWidget>

class DataLogger;
class LoggingWindowHost;
class QLineEdit;
class QListWidgetItem;
class QThread;
class TranslationMgr;

namespace Ui {
class LoggingWindow;
}

class LoggingWindow : public QWidget
{
    Q_OBJECT
public:
    // The column-title modes of "Column text", by index.
    enum ColumnText { OriginalText = 0, TranslatedText = 1, ResultNameText = 2 };
    // Where the items of the sync lists keep their job (a CJob); the user
    // role holds its display name.
    enum { JobRole = Qt::UserRole + 1 };

    LoggingWindow(QWidget *parent, LoggingWindowHost *host);
    ~LoggingWindow() override;

    DataLogger *dataLogger() const { return m_dataLogger; }
    bool isLogging() const { return logging; }
    // The columns as the window last built them.
    const QList<CJobResultPair> &saveFilter() const { return m_filter; }
    // The text the label shows while a failure is not yet cleared by a start.
    QString failure() const { return m_failure; }

signals:
    void markerEvent();

public slots:
    void plotWidgetStatusChanged(int dummyStatus, CJob job, QString result);
    void logFileStarted(const QString &file);
    void logFileStopped(const QString &file);
    void logFileError(const QString &message);
    void jobsChanged();
    void onQueueStatusChanged(int status);
    void onJobFinished(CJob job, int result);
    void on_btnExec_clicked();
    void updateLinesCount();
    // Qt 5's tab widget has no selected(QString): a tab's lists are
    // refreshed when it becomes the current one.
    void on_tabWidget_currentChanged(int index);
    void on_listSyncJobs_itemClicked(QListWidgetItem *item);
    void on_listSelectedSyncJobs_itemClicked(QListWidgetItem *item);
    void on_cmdParamDisplay_activated(int index);
    void on_pushButton_2_clicked();
    void on_txtFilter_textChanged(const QString &text);
    void on_pushButton_3_clicked();
    void on_cmbPreset_activated(const QString &name);
    void on_btnPresetDel_clicked();

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private slots:
    void onPlotWindowGone();

private:
    void fillCombos();
    void createSaveFilter();
    void fillParameterList();
    // The texts of the logged values in the lists, in column order: the
    // column titles, with the ECU where two jobs' values share a title.
    QStringList entryTexts() const;
    QString columnTitle(const CJobResultPair &plotted) const;
    void refreshSyncJobs();
    void refreshRuleJobs();
    void fillPresetList();
    void handleLoggerSetSaveAction();
    void loadSettings();
    void saveSettings();
    // Reads a rule bound; an empty field is 0. False (and a message naming
    // the field) when the text is no number.
    bool ruleBound(QLineEdit *field, const QString &fieldName, double *value);
    void showMessage(const QString &text);
    void showFileState(const QString &text, bool failed);

    Ui::LoggingWindow *ui = nullptr;
    LoggingWindowHost *m_host = nullptr;
    bool logging = false;
    log4cplus::Logger logger;
    DataLogger *m_dataLogger = nullptr;
    QThread *m_loggerThread = nullptr;
    TranslationMgr *m_translations = nullptr;
    QTimer m_linesTimer;
    QList<CJobResultPair> m_filter;
    // Tells the jobs of m_filter apart, as the logger does.
    JobIdentity m_identity;
    QString m_failure;
};
