#pragma once
// The one top-level window: owns the job machinery (queue, job-receiver
// thread, runner thread), hosts every other window in its MDI area and
// offers the tools through its menus.
#include "cjob.h"
#include "cjobresultpair.h"
#include "extsourcehost.h"
#include "jobqueue.h"
#include "kelvolog.h"
#include "loggingwindowhost.h"
#include "mdihost.h"
#include "serialportsettings.h"

#include <QDateTime>
#include <QMainWindow>
#include <QMutex>
#include <QPointer>
#include <QStringList>
#include <atomic>

class QCloseEvent;
class QKeyEvent;
class QMdiSubWindow;
class QThread;
class DebugForm;
class AboutDialog;
class EcuJobListWindow;
class GaugeDefManager;
class GlobalJobReceiver;
class LoggingWindow;
class MdiArea;
class MultiCurvePlotWindow;
class PlotWindow;
class QRunnerThread;
class SeriaPortTestForm;
class SettingsDialog;

namespace Ui {
class MainWindow;
}

class MainWindow : public QMainWindow, public MdiHost, public ExtSourceHost, public LoggingWindowHost
{
    Q_OBJECT
public:
    explicit MainWindow(const QStringList &arguments, QWidget *parent = nullptr);
    ~MainWindow() override;

    QMdiSubWindow *addSubWindow(QWidget *widget) override;
    bool connectJobListener(QObject *listener) override;
    PlotWindow &createPlotWindow(CJob &job, Qt::WindowFlags flags = Qt::WindowFlags()) override;
    // A multi-curve plot in a sub-window of 800 x 400, centred, registered
    // for jobs and not yet shown.
    QMdiSubWindow *createMultiCurvePlotWindow();
    QList<PlotWindow *> plotWindows() override;
    QString currentEcu() override;
    QSize hostSize() const override { return size(); }
    QObject *jobReceiver() override;
    void centerSubWindow(QWidget *child);

    // Geometry and state saved by the last close (called by main after show).
    void restore();

    MdiArea *mdi() const { return mdiArea; }
    EcuJobListWindow *ecuList() const { return ecuJobListWindow; }
    QRunnerThread *runnerWorker() const { return queueRunner; }
    bool isSimulation() const { return simulation; }
    // The serial settings the hidden settings action edits; kept in memory only.
    SerialPortSettings serialPortSettings() const { return serialSettings; }
    // The data-logger window last opened by its action; null once it closed.
    LoggingWindow *lastLoggingWindow() const;

    // The log viewer for a log the user chose (none: the empty viewer),
    // sized and placed in the MDI area; what "Log Viewer" does after its
    // file dialog.
    QMdiSubWindow *openLogViewer(const QString &fileName);

    // "gauge_" + date and time to the millisecond + ".png", made unique
    // within the working directory.
    static QString gaugeScreenshotName(const QDateTime &when);

signals:
    void jobFinished(CJob job, int result);
    void plotWidgetStatusChanged(int dummystatus, CJob job, QString result);

public slots:
    void on_actionReset_all_triggered();
    // Also what a plot window's "Data Log" button asks for.
    void on_actionLogging_triggered();

    void ecuSelected(QString ecu);
    void onJobFinished(CJob job, int result);
    void onRunnerThreadStatusChanged(int status);
    void onRunnerThreadFinished();
    void onRunnerThreadTerminated();
    void onJobQueueStatusChanged(JobQueue::Event event = JobQueue::JobAdded, CJob job = CJob());
    void onPlotWidgetStatusChanged(int dummystatus, CJob job, QString result);
    void onClosed(QCloseEvent *e);
    void showConnFailedDialog();
    void onThemeSelected();
    // A job the list queued gets its plot window.
    void showPlotWindow(CJob job);
    // A plot window's results in a multi-curve plot of their own.
    void showMultiCurvePlot(QList<CJobResultPair> pairs);

private slots:
    void on_actionPause_triggered();
    void on_actionStart_triggered();
    void on_actionSave_all_graphs_triggered();
    void on_actionSave_all_screenshots_triggered();
    void on_actionStart_EDIABAS_triggered();
    void on_actionStop_EDIABAS_triggered();
    void on_actionTranslations_triggered();
    void on_actionDatatable_triggered();
    void on_actionExternal_source_triggered();
    void on_actionUsb_triggered();
    void on_actionPLX_Config_triggered();
    void on_actionInnovate_Config_triggered();
    void on_actionInnovate_triggered();
    void on_action14point7_triggered();
    void on_actionDetect_ECU_triggered();
    void on_actionTrace_triggered();
    void on_actionJob_Tool_triggered();
    void on_actionCustom_jobs_triggered();
    void on_actionTables_triggered();
    void on_actionMulti_plot_window_triggered();
    void on_actionMLV_triggered();
    void on_actionChart2D_triggered();
    void on_actionDDE6_M47_triggered();
    void on_actionPlayBackTester_triggered();
    void on_actionSerial_Port_triggered();
    void on_actionData_Sender_triggered();
    void on_actionDonate_triggered();
    void on_actionSerial_Port_2_triggered();
    void on_actionGauges_triggered();
    void on_actionOpen_CSV_triggered();
    void on_actionMisc_triggered();

protected:
    void closeEvent(QCloseEvent *e) override;
    // Lets the menus' shortcuts through the text fields of this window.
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // Connected to each settings dialog's settingsApplied() (not a slot:
    // its name would have it matched to a child by name).
    void on_settings_applied();
    void fillThemesMenu();
    void writeSerialDefaults();
    void disableMissingWindows();
    void stopRunnerThread();
    void stopJobReceiverThread();
    // The key is the shortcut of a menu entry the user can reach.
    bool isMenuShortcut(const QKeyEvent *key) const;

    Ui::MainWindow *ui = nullptr;
    JobQueue *jobQueue = nullptr;
    EcuJobListWindow *ecuJobListWindow = nullptr;
    SerialPortSettings serialSettings;
    MdiArea *mdiArea = nullptr;
    QRunnerThread *queueRunner = nullptr;
    log4cplus::Logger logger;
    QThread *runnerThread = nullptr;
    QMutex plotWindowMutex;
    GaugeDefManager *gaugeDefManager = nullptr;
    QString currentEcuName;
    GlobalJobReceiver *receiver = nullptr;
    // The multi-curve plot opened last from the menu.
    QPointer<MultiCurvePlotWindow> multiCurvePlotWindow;
    QThread *jobReceiverThread = nullptr;
    qint64 programStartTime = 0;
    bool simulation = false;
    std::atomic<bool> runnerLoopEnded{false};
    QPointer<DebugForm> debugForm;
    QPointer<SeriaPortTestForm> serialTestForm;
    QPointer<SettingsDialog> settingsDialog;
    QPointer<AboutDialog> aboutDialog;
    QPointer<LoggingWindow> loggingWindow;
};
