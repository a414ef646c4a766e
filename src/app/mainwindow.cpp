#include "mainwindow.h"
#include "ui_mainwindow.h"

#include "ecudatatableregistry.h"
#include "ecujoblistwindow.h"
#include "canproxywindow.h"
#include "extloggersetupwindow.h"
#include "extsourcemanager.h"
#include "gaugedefmanager.h"
#include "gaugesetupwindow.h"
#include "globaljobreceiver.h"
#include "innovateconfigform.h"
#include "innovatetesterwindow.h"
#include "q14point7testerwindow.h"
#include "jobmetatypes.h"
#include "kelvoglobaldata.h"
#include "kelvosettings.h"
#include "loggingwindow.h"
#include "miscutilswindow.h"
#include "mdiarea.h"
#include "mlvmultiplot.h"
#include "multicurveplotwindow.h"
#include "plotwindow.h"
#include "plxconfigform.h"
#include "programclosing.h"
#include "qrunnerthread.h"
#include "crunner.h"
#include "csvgraphwindow.h"
#include "basic2dchart.h"
#include "playbacktester.h"
#include "ddecustomview.h"
#include "datatabletestingform.h"
#include "debugform.h"
#include "ecudetectwindow.h"
#include "jobtool.h"
#include "translationviewrform.h"
#include "managecustomjobform.h"
#include "prgtabletest.h"
#include "aboutdialog.h"
#include "datasenderwindow.h"
#include "seriaporttestform.h"
#include "settingsdialog.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDateTime>
#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QKeyEvent>
#include <QLayout>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QMutexLocker>
#include <QPixmap>
#include <QRegularExpression>
#include <QThread>

namespace {
const char *const mainTitle = "KelvO [26-Jun-2017]";

void colourLabel(QLabel *label, const QColor &text, const QColor &background)
{
    QPalette palette = label->palette();
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        palette.setColor(group, QPalette::WindowText, text);
        palette.setColor(group, QPalette::Window, background);
    }
    label->setAutoFillBackground(true);
    label->setPalette(palette);
    // A theme's style sheet would paint over the palette; the label's own
    // style sheet keeps the run state readable under every theme.
    label->setStyleSheet(QStringLiteral("QLabel { color: %1; background-color: %2; }")
                             .arg(text.name(), background.name()));
}
} // namespace

MainWindow::MainWindow(const QStringList &arguments, QWidget *parent)
    : QMainWindow(parent)
    , ui(new Ui::MainWindow)
{
    ui->setupUi(this);
    ProgramClosing::reset();

    programStartTime = QDateTime::currentMSecsSinceEpoch();
    KelvoGlobalData::instance()->setStartTime(programStartTime);
    qDebug() << "programStartTime=" << programStartTime;

    fillThemesMenu();
    JobMetaTypes::registerAll();
    writeSerialDefaults();

    jobQueue = JobQueue::instance();
    logger = KelvoLog::get("main");
    mdiArea = new MdiArea(nullptr);
    simulation = arguments.contains(QStringLiteral("simulation"));
    gaugeDefManager = GaugeDefManager::instance(this);
    setCentralWidget(mdiArea);

    ecuJobListWindow = new EcuJobListWindow(this);
    QMdiSubWindow *listSub = addSubWindow(ecuJobListWindow);
    mdiArea->addSizeGrip(listSub);
    connect(ecuJobListWindow, &EcuJobListWindow::ecuSelected, this, &MainWindow::ecuSelected);
    connect(ecuJobListWindow, &EcuJobListWindow::jobChosen, this, &MainWindow::showPlotWindow);
    // The list may have chosen the last plotted ECU while it was built,
    // before this connection existed: take that choice over as well.
    if (!ecuJobListWindow->currentEcu().isEmpty())
        ecuSelected(ecuJobListWindow->currentEcu());

    statusBar()->addWidget(ui->lblRunStatus, 0);
    statusBar()->addWidget(ui->lblJobsStatus, 0);
    // Nothing ever writes this field: its form placeholder must not show.
    ui->label->clear();
    statusBar()->addWidget(ui->label, 0);

    receiver = GlobalJobReceiver::instance();
    jobReceiverThread = new QThread(nullptr);
    jobReceiverThread->setObjectName(QStringLiteral("jobReceiverThread"));
    qDebug() << "jobReceiverthread thread:" << QThread::currentThreadId();
    connect(receiver, &QObject::destroyed, jobReceiverThread, &QThread::quit);
    receiver->moveToThread(jobReceiverThread);
    jobReceiverThread->start(QThread::InheritPriority);

    runnerThread = new QThread(this);
    runnerThread->setObjectName(QStringLiteral("runnerThread"));
    queueRunner = new QRunnerThread(simulation);
    connect(runnerThread, &QThread::started, queueRunner, &QRunnerThread::runLoop);
    connect(runnerThread, &QThread::finished, this, &MainWindow::onRunnerThreadFinished);
    // Runs in the runner thread as its last act: what the loop did happens
    // before the destructor sees the flag (visible to ThreadSanitizer too).
    connect(
        runnerThread, &QThread::finished, runnerThread,
        [this]() { runnerLoopEnded.store(true, std::memory_order_release); }, Qt::DirectConnection);
    queueRunner->moveToThread(runnerThread);
    connect(queueRunner, &QRunnerThread::statusChanged, this, &MainWindow::onRunnerThreadStatusChanged);
    connect(queueRunner, &QRunnerThread::jobFinished, receiver, &GlobalJobReceiver::onJobFinished,
            Qt::QueuedConnection);
    connect(jobQueue, &JobQueue::statusChanged, this, &MainWindow::onJobQueueStatusChanged);

    setWindowTitle(QString::fromLatin1(mainTitle));
    show();

    runnerThread->start(QThread::InheritPriority);
    onRunnerThreadStatusChanged(3);
    onJobQueueStatusChanged();

    ui->actionMisc->setVisible(false);
    ui->actionSerial_Port_2->setVisible(false);
    ui->actionDatatable->setVisible(true);
    ui->actionExternal_source->setVisible(true);
    disableMissingWindows();
    // A text field takes keys for its editing that are the menus' shortcuts
    // too (Ctrl+E, end of line): the menus win, in every field of the main
    // window and its sub-windows.
    qApp->installEventFilter(this);

    queueRunner->unpause();
}

MainWindow::~MainWindow()
{
    LOG4CPLUS_DEBUG(logger, "> ~MainWindow");
    qApp->removeEventFilter(this);
    // Also when the window goes without a close (the program ends with it).
    ProgramClosing::announce();
    stopRunnerThread();
    // External sources stop while their plot windows still stand.
    ExtSourceManager::destroy();
    // The sub-windows go while the main window is still whole: plot windows
    // unregister their jobs and may still call back into it.
    if (mdiArea) {
        const QList<QMdiSubWindow *> subs = mdiArea->subWindowList();
        for (QMdiSubWindow *sub : subs)
            delete sub;
    }
    // A job such a thread runs is broken off now that the program closes.
    if (!ProgramClosing::waitForThreads(2000))
        LOG4CPLUS_FATAL(logger, "a tool thread did not end");
    stopJobReceiverThread();
    delete ui;
    ui = nullptr;
    // Gone with it: a later main window (a test's) starts with nothing closing.
    ProgramClosing::reset();
    LOG4CPLUS_DEBUG(logger, "< ~MainWindow");
}

void MainWindow::stopRunnerThread()
{
    if (!queueRunner)
        return;
    // Stopping ends a busy EDIABAS job too; the loop returns once the job in
    // progress is announced, and the thread's event loop then ends at once.
    queueRunner->stop();
    runnerThread->quit();
    int budget = 2000;
    while (!runnerThread->wait(100)) {
        LOG4CPLUS_DEBUG(logger, "waiting for runnerThread to finish");
        qDebug() << "waiting for runnerThread to finish";
        budget -= 100;
        if (budget < 0)
            break;
    }
    // Deleting a running QThread aborts the process, and the queue and the
    // runner must outlive the loop that uses them: wait on, and if the
    // runner never returns, leave them alive rather than destroy them.
    if ((!runnerThread->isFinished() && !runnerThread->wait(30000))
        || !runnerLoopEnded.load(std::memory_order_acquire)) {
        LOG4CPLUS_FATAL(logger, "runner thread did not end; leaving it running");
        runnerThread->setParent(nullptr);
        queueRunner = nullptr;
        runnerThread = nullptr;
        return;
    }
    JobQueue::destroy();
    jobQueue = nullptr;
    EcuDataTableRegistry::destroy();
    delete queueRunner;
    queueRunner = nullptr;
}

void MainWindow::stopJobReceiverThread()
{
    if (!jobReceiverThread)
        return;
    disconnect(receiver, &QObject::destroyed, jobReceiverThread, &QThread::quit);
    jobReceiverThread->quit();
    if (!jobReceiverThread->wait(5000)) {
        LOG4CPLUS_FATAL(logger, "job receiver thread did not end");
        jobReceiverThread = nullptr;
        return;
    }
    // With its thread gone the receiver belongs to no thread; take it back
    // so that it still delivers to this thread (and a later main window can
    // move it again).
    delete jobReceiverThread;
    receiver->moveToThread(thread());
    jobReceiverThread = nullptr;
}

void MainWindow::fillThemesMenu()
{
    const QString filter = QStringLiteral("*.*ss");
    const QStringList entries = QDir(QStringLiteral("themes"))
                                    .entryList(QStringList() << filter,
                                               QDir::AllEntries | QDir::NoDotAndDotDot,
                                               QDir::Name | QDir::IgnoreCase);
    for (const QString &entry : entries) {
        const QString name = entry.left(entry.length() - filter.length() + 1);
        QAction *action = new QAction(name, this);
        connect(action, &QAction::triggered, this, &MainWindow::onThemeSelected);
        ui->menuThemes_2->addAction(action);
    }
    qDebug() << entries;
}

void MainWindow::writeSerialDefaults()
{
    auto settings = KelvoSettings::open();
    if (settings->contains(QStringLiteral("serial/port")))
        return;
    // The Windows default "COM1" cannot be opened on Linux.
    settings->setValue(QStringLiteral("serial/port"), QStringLiteral("/dev/ttyUSB0"));
    settings->setValue(QStringLiteral("serial/pause_before"), 0);
    settings->setValue(QStringLiteral("serial/pause_read"), 0);
    settings->setValue(QStringLiteral("serial/pause_after"), 20);
    settings->setValue(QStringLiteral("serial/syncwrite"), 1);
}

void MainWindow::disableMissingWindows()
{
    // Their windows are not part of this build yet; the entries stay in the
    // menus so that the menus keep their shape. One entry a line: each
    // window that is built takes its own line out.
    const QList<QAction *> missing = {
    };
    for (QAction *action : missing)
        action->setEnabled(false);
}

QMdiSubWindow *MainWindow::addSubWindow(QWidget *widget)
{
    return mdiArea->addWindow(widget, Qt::WindowFlags());
}

bool MainWindow::connectJobListener(QObject *listener)
{
    LOG4CPLUS_DEBUG_FMT(logger, "> connectJobListener:'%s'", KELVO_QS(listener->objectName()));
    return bool(connect(receiver, SIGNAL(jobFinished(CJob, int)), listener, SLOT(onJobFinished(CJob, int)),
                        Qt::QueuedConnection));
}

PlotWindow &MainWindow::createPlotWindow(CJob &job, Qt::WindowFlags flags)
{
    QMutexLocker locker(&plotWindowMutex);
    LOG4CPLUS_DEBUG_FMT(logger, "> createPlotWindow,'%s'", job.jobName.c_str());
    PlotWindow *window = new PlotWindow(CJob(job), this);
    LOG4CPLUS_DEBUG(logger, " new");
    window->setMainStyleSheet(styleSheet());
    window->setMainWnd(this);
    LOG4CPLUS_DEBUG(logger, " addSubWindow");
    // At its form's size: narrower, the result table cuts the values.
    mdiArea->addWindow(window, flags);
    LOG4CPLUS_DEBUG(logger, " connect joblistener");
    connectJobListener(window);
    connect(window, &PlotWindow::plotWidgetStatusChanged, this, &MainWindow::onPlotWidgetStatusChanged);
    connect(window, &PlotWindow::closed, this, &MainWindow::onClosed);
    connect(window, &PlotWindow::dataLogRequested, this, &MainWindow::on_actionLogging_triggered);
    connect(window, &PlotWindow::multiCurveRequested, this, &MainWindow::showMultiCurvePlot);
    LOG4CPLUS_DEBUG(logger, "< createPlotWindow");
    return *window;
}

void MainWindow::showPlotWindow(CJob job)
{
    createPlotWindow(job, Qt::WindowFlags()).show();
    LOG4CPLUS_TRACE(logger, "plotWindow show()");
}

QMdiSubWindow *MainWindow::createMultiCurvePlotWindow()
{
    auto *window = new MultiCurvePlotWindow(this);
    QMdiSubWindow *sub = addSubWindow(window);
    mdiArea->addSizeGrip(sub);
    connectJobListener(window);
    sub->resize(800, 400);
    centerSubWindow(sub);
    return sub;
}

void MainWindow::showMultiCurvePlot(QList<CJobResultPair> pairs)
{
    QMdiSubWindow *sub = createMultiCurvePlotWindow();
    if (auto *window = qobject_cast<MultiCurvePlotWindow *>(sub->widget()))
        window->addCurves(pairs);
    sub->show();
}

QList<PlotWindow *> MainWindow::plotWindows()
{
    QList<PlotWindow *> result;
    const QList<QMdiSubWindow *> subs = mdiArea->subWindowList(QMdiArea::CreationOrder);
    for (QMdiSubWindow *sub : subs) {
        if (PlotWindow *w = qobject_cast<PlotWindow *>(sub->widget()))
            result << w;
    }
    return result;
}

QString MainWindow::currentEcu()
{
    return currentEcuName;
}

QObject *MainWindow::jobReceiver()
{
    return receiver;
}

void MainWindow::centerSubWindow(QWidget *child)
{
    const int x = rect().width() / 2 - child->geometry().width() / 2;
    const int y = rect().height() / 2 - child->geometry().height() / 2;
    child->move(x, y);
    // Centred on the main window, a tall window reached below the area,
    // which is the main window less its menu and status bars.
    if (auto *sub = qobject_cast<QMdiSubWindow *>(child))
        mdiArea->keepInside(sub);
}

void MainWindow::restore()
{
    auto settings = KelvoSettings::open();
    restoreGeometry(settings->value(QStringLiteral("windows/geometry")).toByteArray());
    restoreState(settings->value(QStringLiteral("windows/windowState")).toByteArray(), 0);
    mdiArea->restoreGeometry(settings->value(QStringLiteral("windows/MDIgeometry")).toByteArray());
}

void MainWindow::closeEvent(QCloseEvent *e)
{
    auto settings = KelvoSettings::open();
    settings->setValue(QStringLiteral("windows/geometry"), saveGeometry());
    settings->setValue(QStringLiteral("windows/windowState"), saveState(0));
    settings->setValue(QStringLiteral("windows/MDIgeometry"), mdiArea->saveGeometry());
    for (PlotWindow *w : plotWindows()) {
        const CJob &job = w->job();
        settings->setValue(QStringLiteral("windows/lastPlotEcu"), QString::fromLatin1(job.ecuName.c_str()));
        settings->setValue(QStringLiteral("windows/lastPlotJob"), QString::fromLatin1(job.jobName.c_str()));
        settings->setValue(QStringLiteral("windows/lastPlotGeom"), w->geometry());
        settings->setValue(QStringLiteral("windows/lastJob"), QVariant::fromValue(job));
    }
    e->accept();
    // What runs in a wait of its own (an upload, a trace run, a detection)
    // ends now: the event loop can only return, and the process end, once
    // those waits have.
    ProgramClosing::announce();
}

bool MainWindow::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::ShortcutOverride && watched->isWidgetType()
        && static_cast<QWidget *>(watched)->window() == this && isMenuShortcut(static_cast<QKeyEvent *>(event))) {
        // Kept from the field and left unaccepted: the shortcut fires.
        event->ignore();
        return true;
    }
    return QMainWindow::eventFilter(watched, event);
}

bool MainWindow::isMenuShortcut(const QKeyEvent *key) const
{
    const QKeySequence pressed(int(key->modifiers() & ~Qt::KeypadModifier) | key->key());
    QList<QAction *> pending = menuBar()->actions();
    while (!pending.isEmpty()) {
        QAction *action = pending.takeFirst();
        if (!action->isVisible() || !action->isEnabled())
            continue;
        if (QMenu *menu = action->menu())
            pending += menu->actions();
        else if (action->shortcuts().contains(pressed))
            return true;
    }
    return false;
}

void MainWindow::ecuSelected(QString ecu)
{
    qDebug() << "ecu selected:" << ecu;
    currentEcuName = ecu;
}

void MainWindow::onJobFinished(CJob job, int result)
{
    qDebug() << "Main::onJObFinished!!!!!!!!!!!!!" << QString::fromLatin1(job.jobName.c_str());
    LOG4CPLUS_DEBUG_FMT(logger, "> onJobFinished,'%s'", job.jobName.c_str());
    emit jobFinished(job, result);
}

void MainWindow::onRunnerThreadStatusChanged(int status)
{
    LOG4CPLUS_DEBUG_FMT(logger, "onRunnerStatusChanged:%d", status);
    if (status == 2) {
        colourLabel(ui->lblRunStatus, Qt::black, Qt::green);
        ui->lblRunStatus->setText(QStringLiteral("Running"));
    } else if (status == 3) {
        colourLabel(ui->lblRunStatus, Qt::yellow, Qt::red);
        ui->lblRunStatus->setText(QStringLiteral("Paused"));
    }
}

void MainWindow::onRunnerThreadFinished()
{
    LOG4CPLUS_DEBUG(logger, "runnerThreadFinished");
}

void MainWindow::onRunnerThreadTerminated()
{
    LOG4CPLUS_DEBUG(logger, "runnerThreadTerminated");
}

void MainWindow::onJobQueueStatusChanged(JobQueue::Event, CJob)
{
    if (jobQueue)
        ui->lblJobsStatus->setText(QString::asprintf("%d jobs", jobQueue->jobCount()));
}

void MainWindow::onPlotWidgetStatusChanged(int dummystatus, CJob job, QString result)
{
    emit plotWidgetStatusChanged(dummystatus, job, result);
}

void MainWindow::onClosed(QCloseEvent *)
{
    // The frame of the plot window that closes, whichever window is active:
    // a click on an inactive frame's close button, or a close by code,
    // leaves another window active. When the user closed the frame itself,
    // closing it again here does nothing.
    auto *window = qobject_cast<QWidget *>(sender());
    if (!window)
        return;
    if (auto *sub = qobject_cast<QMdiSubWindow *>(window->parentWidget()))
        sub->close();
}

void MainWindow::showConnFailedDialog()
{
    QMessageBox::warning(nullptr, QStringLiteral("Kelv-O"),
                         QStringLiteral("EDIABAS init failed\nSome other program is using com port"),
                         QMessageBox::Ok);
}

void MainWindow::onThemeSelected()
{
    QAction *action = qobject_cast<QAction *>(sender());
    if (!action)
        return;
    const QString text = action->text();
    qDebug() << "theme selected:" << text;
    QFile file(QStringLiteral("themes/") + text + QStringLiteral(".qss"));
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return;
    qApp->setStyleSheet(QString::fromUtf8(file.readAll()));
}

void MainWindow::on_actionPause_triggered()
{
    queueRunner->pause();
}

void MainWindow::on_actionStart_triggered()
{
    queueRunner->unpause();
}

void MainWindow::on_actionReset_all_triggered()
{
    const QList<QMdiSubWindow *> subs = mdiArea->subWindowList(QMdiArea::CreationOrder);
    for (QMdiSubWindow *sub : subs) {
        if (PlotWindow *w = qobject_cast<PlotWindow *>(sub->widget()))
            w->resetPlotWidgets();
        else if (auto *multi = qobject_cast<MultiCurvePlotWindow *>(sub->widget()))
            multi->onDelete();
    }
}

void MainWindow::on_actionSave_all_graphs_triggered()
{
    for (PlotWindow *w : plotWindows())
        w->saveCsv();
}

void MainWindow::on_actionSave_all_screenshots_triggered()
{
    const QList<QMdiSubWindow *> subs = mdiArea->subWindowList(QMdiArea::CreationOrder);
    for (QMdiSubWindow *sub : subs) {
        QWidget *widget = sub->widget();
        if (PlotWindow *w = qobject_cast<PlotWindow *>(widget)) {
            w->saveScreenshot();
        } else if (widget && widget->inherits("GaugeContainer")) {
            const QPixmap pixmap = widget->grab();
            const QString name = gaugeScreenshotName(QDateTime::currentDateTime());
            pixmap.save(name, "PNG");
        }
    }
}

QString MainWindow::gaugeScreenshotName(const QDateTime &when)
{
    QString base = QStringLiteral("gauge_") + when.toString(QStringLiteral("yyyy-MM-dd")) + "-"
                   + when.toString(QStringLiteral("HHmmsszzz"));
    base.replace(QRegularExpression(QStringLiteral("[/\\\\,:.]")), QStringLiteral("_"));
    // Two screens saved within one millisecond must not share a name.
    QString name = base + QStringLiteral(".png");
    for (int n = 1; QFile::exists(name); ++n)
        name = base + QStringLiteral("_%1.png").arg(n);
    return name;
}

void MainWindow::on_actionStart_EDIABAS_triggered()
{
    CRunner::initEdiabas();
    QThread::msleep(500);
}

void MainWindow::on_actionStop_EDIABAS_triggered()
{
    QThread::msleep(500);
    // The runners' shared session ends through its owner, which also gives up
    // a busy job the runner waits on, instead of pulling EDIABAS from under it.
    CRunner::endEdiabas();
}

void MainWindow::on_actionDatatable_triggered()
{
    QMdiSubWindow *sub = addSubWindow(new DatatableTestingForm(this));
    sub->show();
}

void MainWindow::on_actionExternal_source_triggered()
{
    addSubWindow(new ExtLoggerSetupWindow(this, this))->show();
}

void MainWindow::on_actionPLX_Config_triggered()
{
    addSubWindow(new PLXConfigForm(this))->show();
}

void MainWindow::on_actionInnovate_Config_triggered()
{
    addSubWindow(new InnovateConfigForm(this))->show();
}

void MainWindow::on_actionInnovate_triggered()
{
    addSubWindow(new InnovateTesterWindow(this))->show();
}

void MainWindow::on_action14point7_triggered()
{
    addSubWindow(new Q14Point7TesterWindow(this))->show();
}

void MainWindow::on_actionUsb_triggered()
{
    addSubWindow(new CanProxyWindow(this))->show();
}

void MainWindow::on_actionCustom_jobs_triggered()
{
    ManageCustomJobForm *form = new ManageCustomJobForm(this);
    connect(form, &ManageCustomJobForm::jobStarted, this, &MainWindow::showPlotWindow);
    connect(form, &ManageCustomJobForm::tableBrowserOpened, this,
            [this](PRGTableTest *browser) { addSubWindow(browser)->show(); });
    addSubWindow(form)->show();
}

void MainWindow::on_actionTables_triggered()
{
    QMdiSubWindow *sub = addSubWindow(new PRGTableTest(this));
    mdiArea->addSizeGrip(sub);
    sub->show();
}

void MainWindow::on_actionMulti_plot_window_triggered()
{
    multiCurvePlotWindow = new MultiCurvePlotWindow(this);
    QMdiSubWindow *sub = addSubWindow(multiCurvePlotWindow);
    connectJobListener(multiCurvePlotWindow);
    multiCurvePlotWindow->show();
    sub->resize(600, 400);
    centerSubWindow(sub);
}

void MainWindow::on_actionMLV_triggered()
{
    QMdiSubWindow *sub = addSubWindow(new MLVMultiPlot(this));
    sub->show();
}

void MainWindow::on_actionTranslations_triggered()
{
    QMdiSubWindow *sub = addSubWindow(new TranslationViewrForm(this));
    sub->show();
}

void MainWindow::on_actionDetect_ECU_triggered()
{
    auto *window = new EcuDetectWindow(this);
    QMdiSubWindow *sub = addSubWindow(window);
    connect(window, &EcuDetectWindow::ecuDetected, ecuJobListWindow, &EcuJobListWindow::selectEcu);
    sub->show();
}

void MainWindow::on_actionTrace_triggered()
{
    debugForm = new DebugForm(this);
    QMdiSubWindow *sub = addSubWindow(debugForm);
    connect(ecuJobListWindow, &EcuJobListWindow::ecuSelected, debugForm.data(), &DebugForm::onEcuSelected);
    sub->show();
}

void MainWindow::on_actionJob_Tool_triggered()
{
    QMdiSubWindow *sub = addSubWindow(new JobTool(this));
    sub->show();
}

void MainWindow::on_actionChart2D_triggered()
{
    auto *chart = new Basic2DChart(this);
    QMdiSubWindow *sub = addSubWindow(chart);
    connectJobListener(chart);
    sub->show();
    chart->setMainWnd(this);
}

void MainWindow::on_actionPlayBackTester_triggered()
{
    addSubWindow(new PlayBackTester(this, this))->show();
}

void MainWindow::on_actionDDE6_M47_triggered()
{
    auto *view = new DDECustomView(this);
    connectJobListener(view);
    addSubWindow(view)->show();
}

void MainWindow::on_actionSerial_Port_triggered()
{
    serialTestForm = new SeriaPortTestForm(this);
    addSubWindow(serialTestForm);
    serialTestForm->show();
}

void MainWindow::on_actionData_Sender_triggered()
{
    DataSenderWindow *window = new DataSenderWindow(this);
    addSubWindow(window);
    window->show();
}

void MainWindow::on_actionDonate_triggered()
{
    // A window of its own, outside the MDI area.
    aboutDialog = new AboutDialog(this);
    aboutDialog->setAttribute(Qt::WA_DeleteOnClose);
    aboutDialog->show();
}

void MainWindow::on_actionSerial_Port_2_triggered()
{
    settingsDialog = new SettingsDialog(this);
    settingsDialog->setPortSettings(serialSettings);
    connect(settingsDialog.data(), &SettingsDialog::settingsApplied, this, &MainWindow::on_settings_applied);
    addSubWindow(settingsDialog);
    settingsDialog->show();
}

void MainWindow::on_settings_applied()
{
    // The dialog that applied, which need not be the last one opened.
    SettingsDialog *dialog = qobject_cast<SettingsDialog *>(sender());
    if (!dialog)
        dialog = settingsDialog;
    if (!dialog)
        return;
    const SerialPortSettings applied = dialog->portSettings();
    serialSettings.name = applied.name;
    serialSettings.baudRate = applied.baudRate;
    serialSettings.stringBaudRate = applied.stringBaudRate;
    serialSettings.dataBits = applied.dataBits;
    serialSettings.stringDataBits = applied.stringDataBits;
    serialSettings.parity = applied.parity;
    serialSettings.stringParity = applied.stringParity;
    serialSettings.stopBits = applied.stopBits;
    serialSettings.stringStopBits = applied.stringStopBits;
    serialSettings.flowControl = applied.flowControl;
    serialSettings.stringFlowControl = applied.stringFlowControl;
    // Removing the sub-window alone would leave the dialog behind, one per
    // use. Later: the dialog is still inside its Apply.
    if (QWidget *sub = dialog->parentWidget(); sub && qobject_cast<QMdiSubWindow *>(sub)) {
        mdiArea->removeSubWindow(sub);
        sub->deleteLater();
    } else {
        dialog->deleteLater();
    }
}

void MainWindow::on_actionGauges_triggered()
{
    auto *window = new GaugeSetupWindow(this, gaugeDefManager, this);
    QMdiSubWindow *sub = addSubWindow(window);
    mdiArea->addSizeGrip(sub);
    window->show();
    centerSubWindow(sub);
}

void MainWindow::on_actionOpen_CSV_triggered()
{
    const QString fileName = QFileDialog::getOpenFileName(this, tr("Open CSV"), QString(), tr("CSV Files (*.csv)"));
    openLogViewer(fileName);
}

QMdiSubWindow *MainWindow::openLogViewer(const QString &fileName)
{
    auto *window = new CSVGraphWindow(this);
    QMdiSubWindow *sub = addSubWindow(window);
    if (!fileName.isEmpty())
        window->load(fileName);
    window->setScrollPosition(0);
    window->show();
    const QSize area = mdiArea->size();
    const int height = int(area.height() * 0.5);
    sub->resize(int(area.width() * 0.75), height);
    sub->move(int(area.width() * 0.125), (area.height() - height) / 3);
    return sub;
}

LoggingWindow *MainWindow::lastLoggingWindow() const
{
    return loggingWindow.data();
}

void MainWindow::on_actionLogging_triggered()
{
    loggingWindow = new LoggingWindow(this, this);
    QMdiSubWindow *sub = addSubWindow(loggingWindow);
    connect(this, &MainWindow::plotWidgetStatusChanged, loggingWindow.data(), &LoggingWindow::plotWidgetStatusChanged);
    loggingWindow->show();
    centerSubWindow(sub);
}

void MainWindow::on_actionMisc_triggered()
{
    QMdiSubWindow *sub = addSubWindow(new MiscUtilsWindow(this));
    sub->show();
}
