// The main window with the real job machinery: start-up settings, the runner
// in simulation mode, a job queued from the ECU list reaching its plot
// window, the status labels, window state, themes and shut-down.
#include "aboutdialog.h"
#include "basic2dchart.h"
#include "crunner.h"
#include "csvgraphwindow.h"
#include "csvlogwriter.h"
#include "debugform.h"
#include "ecudetectwindow.h"
#include "jobtool.h"
#include "loggingwindow.h"
#include "datasenderwindow.h"
#include "ddecustomview.h"
#include "ediabasstandin.h"
#include "ecujoblistwindow.h"
#include "gaugecontainer.h"
#include "gaugesetupwindow.h"
#include "globaljobreceiver.h"
#include "jobqueue.h"
#include "customqwtcurve.h"
#include "mainwindow.h"
#include "mdiarea.h"
#include "multicurveplotwindow.h"
#include "plotwidget.h"
#include "plotwindow.h"
#include "playbacktester.h"
#include "plotwindowfeed.h"
#include "prgwriter.h"
#include "qrunnerthread.h"
#include "resulttableview.h"
#include "seriaporttestform.h"
#include "settingsdialog.h"
#include "modalanswerer.h"
#include "workdir.h"
#include <QStatusBar>
#include <QFileDialog>

#include <QAction>
#include <QComboBox>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QRadioButton>
#include <QLabel>
#include <QListWidget>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QSizeGrip>
#include <QSettings>
#include <QToolBar>
#include <QtTest>
#include <atomic>
#include <qwt_legend.h>
#include <qwt_legend_label.h>

class TestMainWindow : public QObject
{
    Q_OBJECT
private slots:
    void serialDefaultsWrittenOnce();
    void existingPortKeepsOtherKeysAbsent();
    void simulationWordSetsRunnerMode_data();
    void simulationWordSetsRunnerMode();
    void labelsFollowRunnerAndQueue();
    void centersSubWindow();
    void jobFromEcuListReachesPlotWindow();
    void secondDoubleClickOpensNoSecondWindow();
    void windowStateAndLastJobRoundTrip();
    void closingWithoutPlotWindowWritesGeometryOnly();
    void themesListedAndApplied();
    void screenshotNamesDiffer();
    void saveAllScreenshotsWritesOnePerPlotWindow();
    void toolActionsOpenSubWindows_data();
    void toolActionsOpenSubWindows();
    void windowsOpenAtTheirFormSize_data();
    void windowsOpenAtTheirFormSize();
    void plotWindowOpensAtItsFormSize();
    void closingPlotWindowClosesOnlyItsFrame_data();
    void closingPlotWindowClosesOnlyItsFrame();
    void playBackListsTheDemoLog();
    void multiPlotWindowTakesJobsAndResets();
    void multiplotOpensPlottedResults();
    void dieselJobReachesChartAndDashboard();
    void f3OpensGaugeScreensEachTime();
    void saveAllScreenshotsWritesOnePerGaugeScreen();
    void closingWhileEdiabasJobIsBusyEndsCleanly();
    void detectedEcuIsSelectedInList();
    void traceWindowFollowsEcuList();
    void closingMidJobToolReadEndsQuickly();
    void menuTable();
    void menusInOrder();
    void doNothingRowsOpenNothing();
    void donateOpensTopLevelDialog();
    void logViewerShowsOneCurvePerColumn();
    void hiddenSettingsActionApplies();
    void startEdiabasTwiceInitialisesOnce();
    void stopEdiabasEndsBusyJob();
};

namespace {
QStringList args(const QString &word = QString())
{
    QStringList list{QStringLiteral("kelvo")};
    if (!word.isEmpty())
        list << word;
    return list;
}

// Two simulated ECUs with their description files, as the demo has them.
void writeCatalogue(const WorkDir &wd)
{
    wd.write("jobs/eculist.txt", "D73N57C0\nMSV70\n");
    PrgWriter diesel;
    diesel.setDescription("ECU:Diesel engine\nJOBNAME:STATUS_LMM\nJOBCOMMENT:Air mass\n"
                          "RESULT:STATUS_LMM_WERT\nRESULTTYPE:real\nJOBNAME:STATUS_INT\n");
    diesel.jobsFromDescription();
    QDir().mkpath(wd.filePath("ecu"));
    QVERIFY(diesel.write(wd.filePath("ecu/D73N57C0.prg")));
    PrgWriter petrol;
    petrol.setDescription("ECU:Petrol engine\nJOBNAME:MW_SELECT_LESEN_NORM\n");
    petrol.jobsFromDescription();
    QVERIFY(petrol.write(wd.filePath("ecu/MSV70.prg")));
}

QLabel *label(MainWindow &w, const char *name)
{
    return w.findChild<QLabel *>(QLatin1String(name));
}

int rowOfEcu(QListWidget *list, const QString &ecu)
{
    for (int row = 0; row < list->count(); ++row) {
        if (list->item(row)->data(Qt::UserRole).toString() == ecu)
            return row;
    }
    return -1;
}

void doubleClickRow(QListWidget *list, int row)
{
    list->scrollToItem(list->item(row));
    const QRect rect = list->visualItemRect(list->item(row));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier, rect.center());
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, Qt::NoModifier, rect.center());
}
} // namespace

void TestMainWindow::serialDefaultsWrittenOnce()
{
    WorkDir wd;
    {
        MainWindow w(args("simulation"));
    }
    QSettings ini("kelvo.ini", QSettings::IniFormat);
    QCOMPARE(ini.allKeys(), (QStringList{"serial/pause_after", "serial/pause_before", "serial/pause_read",
                                         "serial/port", "serial/syncwrite"}));
    QCOMPARE(ini.value("serial/port").toString(), QString("/dev/ttyUSB0"));
    QCOMPARE(ini.value("serial/pause_after").toInt(), 20);
    QCOMPARE(ini.value("serial/syncwrite").toInt(), 1);
    const QByteArray first = wd.read("kelvo.ini");
    {
        MainWindow w(args("simulation"));
    }
    QCOMPARE(wd.read("kelvo.ini"), first);
}

void TestMainWindow::existingPortKeepsOtherKeysAbsent()
{
    WorkDir wd;
    wd.write("kelvo.ini", "[serial]\nport=/dev/ttyS3\n");
    {
        MainWindow w(args("simulation"));
    }
    QSettings ini("kelvo.ini", QSettings::IniFormat);
    QCOMPARE(ini.allKeys(), QStringList{"serial/port"});
    QCOMPARE(ini.value("serial/port").toString(), QString("/dev/ttyS3"));
}

void TestMainWindow::simulationWordSetsRunnerMode_data()
{
    QTest::addColumn<QString>("word");
    QTest::addColumn<bool>("simulated");
    QTest::newRow("simulation") << "simulation" << true;
    QTest::newRow("no word") << QString() << false;
    QTest::newRow("other case") << "Simulation" << false;
    QTest::newRow("dash") << "-simulation" << false;
}

void TestMainWindow::simulationWordSetsRunnerMode()
{
    QFETCH(QString, word);
    QFETCH(bool, simulated);
    WorkDir wd;
    MainWindow w(args(word));
    QCOMPARE(w.runnerWorker()->getRunner().isSimulation(), simulated);
    QCOMPARE(w.windowTitle(), QString("KelvO [26-Jun-2017]"));
}

void TestMainWindow::labelsFollowRunnerAndQueue()
{
    WorkDir wd;
    MainWindow w(args("simulation"));
    QLabel *run = label(w, "lblRunStatus");
    QLabel *jobs = label(w, "lblJobsStatus");
    QVERIFY(run && jobs);
    QCOMPARE(jobs->text(), QString("0 jobs"));
    // The status bar's third field is never written: no placeholder there.
    for (QLabel *l : w.statusBar()->findChildren<QLabel *>())
        QVERIFY2(l->text() != "TextLabel", qPrintable(l->objectName()));
    QTRY_COMPARE_WITH_TIMEOUT(run->text(), QString("Running"), 5000);
    QCOMPARE(run->palette().color(QPalette::Window), QColor(Qt::green));

    w.findChild<QAction *>("actionPause")->trigger();
    QTRY_COMPARE_WITH_TIMEOUT(run->text(), QString("Paused"), 5000);
    QCOMPARE(run->palette().color(QPalette::Window), QColor(Qt::red));
    QCOMPARE(run->palette().color(QPalette::WindowText), QColor(Qt::yellow));
    w.findChild<QAction *>("actionStart")->trigger();
    QTRY_COMPARE_WITH_TIMEOUT(run->text(), QString("Running"), 5000);

    CJob a("XYZ", "ABC");
    CJob b("XYZ", "DEF");
    QVERIFY(JobQueue::instance()->addJob(a));
    QCOMPARE(jobs->text(), QString("1 jobs"));
    QVERIFY(JobQueue::instance()->addJob(b));
    QCOMPARE(jobs->text(), QString("2 jobs"));
    JobQueue::instance()->removeJob(a);
    QCOMPARE(jobs->text(), QString("1 jobs"));
}

void TestMainWindow::centersSubWindow()
{
    WorkDir wd;
    MainWindow w(args("simulation"));
    w.resize(1061, 693);
    QCOMPARE(w.rect().size(), QSize(1061, 693));
    QMdiSubWindow *sub = w.addSubWindow(new QWidget);
    sub->resize(600, 400);
    w.centerSubWindow(sub);
    QCOMPARE(sub->pos(), QPoint(230, 146));
    QCOMPARE(sub->parentWidget(), w.mdi()->viewport());
    // A window nearly as tall as the area stays whole inside it.
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    const QRect area = w.mdi()->viewport()->rect();
    sub->resize(600, area.height() - 10);
    w.centerSubWindow(sub);
    QVERIFY2(area.contains(sub->geometry()), qPrintable(QString("at %1,%2 %3x%4 in %5x%6").arg(sub->x()).arg(sub->y())
                                                        .arg(sub->width()).arg(sub->height()).arg(area.width()).arg(area.height())));
}

void TestMainWindow::jobFromEcuListReachesPlotWindow()
{
    WorkDir wd;
    writeCatalogue(wd);
    MainWindow w(args("simulation"));
    QListWidget *ecus = w.ecuList()->findChild<QListWidget *>("listEcus");
    QListWidget *jobs = w.ecuList()->findChild<QListWidget *>("listJobs");
    QCOMPARE(ecus->count(), 2);
    const int row = rowOfEcu(ecus, "D73N57C0");
    QVERIFY(row >= 0);
    QCOMPARE(ecus->item(row)->text(), QString("Diesel engine"));
    ecus->setCurrentRow(row);
    QCOMPARE(w.currentEcu(), QString("D73N57C0"));
    QCOMPARE(jobs->count(), 2);
    QCOMPARE(jobs->item(0)->text(), QString("STATUS_LMM"));

    doubleClickRow(jobs, 0);
    QTRY_COMPARE_WITH_TIMEOUT(w.plotWindows().size(), 1, 5000);
    PlotWindow *plot = w.plotWindows().first();
    QCOMPARE(QString::fromStdString(plot->job().jobName), QString("STATUS_LMM"));
    QCOMPARE(JobQueue::instance()->jobCount(), 1);
    // The sub-window is in the area's list before anyone shows it again.
    QCOMPARE(w.mdi()->subWindowList().size(), 2);

    // The plot window registers its job with the fan-out each time the
    // simulated job arrives with its results.
    auto arrived = []() {
        for (const CJob &job : GlobalJobReceiver::instance()->jobs()) {
            if (job.jobName == "STATUS_LMM" && job.getResultCount() > 0)
                return true;
        }
        return false;
    };
    QTRY_VERIFY_WITH_TIMEOUT(arrived(), 10000);
}

void TestMainWindow::secondDoubleClickOpensNoSecondWindow()
{
    WorkDir wd;
    writeCatalogue(wd);
    MainWindow w(args("simulation"));
    QListWidget *ecus = w.ecuList()->findChild<QListWidget *>("listEcus");
    QListWidget *jobs = w.ecuList()->findChild<QListWidget *>("listJobs");
    ecus->setCurrentRow(rowOfEcu(ecus, "MSV70"));
    QCOMPARE(jobs->count(), 1);
    doubleClickRow(jobs, 0);
    doubleClickRow(jobs, 0);
    QCOMPARE(w.plotWindows().size(), 1);
    QCOMPARE(JobQueue::instance()->jobCount(), 1);
}

void TestMainWindow::windowStateAndLastJobRoundTrip()
{
    WorkDir wd;
    writeCatalogue(wd);
    QByteArray geometry;
    {
        MainWindow w(args("simulation"));
        w.resize(900, 600);
        CJob first("MSV70", "MW_SELECT_LESEN_NORM");
        CJob second("D73N57C0", "STATUS_LMM");
        second.arguments = "1;2";
        second.virtualName = "AIR";
        w.createPlotWindow(first).show();
        w.createPlotWindow(second).show();
        QCOMPARE(w.plotWindows().size(), 2);
        w.close();
        geometry = w.saveGeometry();
    }
    {
        QSettings ini("kelvo.ini", QSettings::IniFormat);
        QCOMPARE(ini.value("windows/lastPlotEcu").toString(), QString("D73N57C0"));
        QCOMPARE(ini.value("windows/lastPlotJob").toString(), QString("STATUS_LMM"));
        QVERIFY(ini.value("windows/lastPlotGeom").toRect().isValid());
        const CJob last = ini.value("windows/lastJob").value<CJob>();
        QCOMPARE(QString::fromStdString(last.jobName), QString("STATUS_LMM"));
        QCOMPARE(QString::fromStdString(last.virtualName), QString("AIR"));
        QCOMPARE(QString::fromStdString(last.arguments), QString("1;2"));
        QVERIFY(!ini.value("windows/geometry").toByteArray().isEmpty());
        QVERIFY(ini.contains("windows/windowState"));
        QVERIFY(ini.contains("windows/MDIgeometry"));
    }
    MainWindow again(args("simulation"));
    again.restore();
    QCOMPARE(again.size(), QSize(900, 600));
    // The ECU of the last plotted job is preselected in the ECU list, and
    // the main window knows it although the list chose it while being built.
    QCOMPARE(again.currentEcu(), QString("D73N57C0"));
    QListWidget *ecus = again.ecuList()->findChild<QListWidget *>("listEcus");
    QCOMPARE(ecus->currentItem()->data(Qt::UserRole).toString(), QString("D73N57C0"));
    QCOMPARE(again.ecuList()->findChild<QListWidget *>("listJobs")->count(), 2);
}

void TestMainWindow::closingWithoutPlotWindowWritesGeometryOnly()
{
    WorkDir wd;
    wd.write("kelvo.ini", "[windows]\nlastPlotEcu=GS19D\nlastPlotJob=STATUS_INT\n");
    {
        MainWindow w(args("simulation"));
        w.close();
    }
    QSettings ini("kelvo.ini", QSettings::IniFormat);
    QCOMPARE(ini.value("windows/lastPlotEcu").toString(), QString("GS19D"));
    QCOMPARE(ini.value("windows/lastPlotJob").toString(), QString("STATUS_INT"));
    QVERIFY(ini.contains("windows/geometry"));
    QVERIFY(!ini.contains("windows/lastJob"));
}

void TestMainWindow::themesListedAndApplied()
{
    WorkDir wd;
    wd.write("themes/Night.qss", "QWidget { color: #010203; }");
    wd.write("themes/alpine.qss", "QWidget { color: #040506; }");
    wd.write("themes/Plain.css", "QWidget { color: #070809; }");
    wd.write("themes/readme.txt", "not a theme");
    MainWindow w(args("simulation"));
    QMenu *menu = w.findChild<QMenu *>("menuThemes_2");
    QStringList names;
    for (QAction *a : menu->actions())
        names << a->text();
    QCOMPARE(names, (QStringList{"alpine", "Night", "Plain"}));

    menu->actions().at(1)->trigger();
    QCOMPARE(qApp->styleSheet(), QString("QWidget { color: #010203; }"));
    // "Plain" looks for "Plain.qss", which does not exist: nothing changes.
    menu->actions().at(2)->trigger();
    QCOMPARE(qApp->styleSheet(), QString("QWidget { color: #010203; }"));
    qApp->setStyleSheet(QString());
}

void TestMainWindow::screenshotNamesDiffer()
{
    WorkDir wd;
    const QDateTime when(QDate(2024, 5, 6), QTime(7, 8, 9, 10));
    const QString first = MainWindow::gaugeScreenshotName(when);
    QCOMPARE(first, QString("gauge_2024-05-06-070809010.png"));
    wd.write(first, "png");
    const QString second = MainWindow::gaugeScreenshotName(when);
    QVERIFY(second != first);
    QVERIFY(second.endsWith(".png"));
    QVERIFY(!second.contains(':'));
}

void TestMainWindow::saveAllScreenshotsWritesOnePerPlotWindow()
{
    WorkDir wd;
    MainWindow w(args("simulation"));
    CJob first("MSV70", "STATUS_LMM");
    CJob second("GS19D", "STATUS_INT");
    w.createPlotWindow(first).show();
    w.createPlotWindow(second).show();
    w.addSubWindow(new QLabel("not a plot"))->show();
    w.findChild<QAction *>("actionSave_all_screenshots")->trigger();
    QCOMPARE(QDir().entryList({"*.png"}, QDir::Files).size(), 2);
    // Nothing to reset or export yet: neither action may fail.
    w.findChild<QAction *>("actionReset_all")->trigger();
    w.findChild<QAction *>("actionSave_all_graphs")->trigger();
}

void TestMainWindow::toolActionsOpenSubWindows_data()
{
    QTest::addColumn<QString>("action");
    QTest::addColumn<QString>("widgetClass");
    QTest::newRow("translations") << "actionTranslations" << "TranslationViewrForm";
    QTest::newRow("datatable") << "actionDatatable" << "DatatableTestingForm";
    QTest::newRow("external source") << "actionExternal_source" << "ExtLoggerSetupWindow";
    QTest::newRow("plx config") << "actionPLX_Config" << "PLXConfigForm";
    QTest::newRow("innovate config") << "actionInnovate_Config" << "InnovateConfigForm";
    QTest::newRow("innovate simulator") << "actionInnovate" << "InnovateTesterWindow";
    QTest::newRow("detect ecu") << "actionDetect_ECU" << "EcuDetectWindow";
    QTest::newRow("trace") << "actionTrace" << "DebugForm";
    QTest::newRow("job tool") << "actionJob_Tool" << "JobTool";
    QTest::newRow("custom jobs") << "actionCustom_jobs" << "ManageCustomJobForm";
    QTest::newRow("tables") << "actionTables" << "PRGTableTest";
    QTest::newRow("multi plot window") << "actionMulti_plot_window" << "MultiCurvePlotWindow";
    QTest::newRow("mlv") << "actionMLV" << "MLVMultiPlot";
    QTest::newRow("chart2D") << "actionChart2D" << "Basic2DChart";
    QTest::newRow("DDE6 M47") << "actionDDE6_M47" << "DDECustomView";
    QTest::newRow("serial port") << "actionSerial_Port" << "SeriaPortTestForm";
    QTest::newRow("data sender") << "actionData_Sender" << "DataSenderWindow";
    QTest::newRow("gauges") << "actionGauges" << "GaugeSetupWindow";
    QTest::newRow("usb") << "actionUsb" << "CanProxyWindow";
    QTest::newRow("14point7 tester") << "action14point7" << "Q14Point7TesterWindow";
    QTest::newRow("data logger") << "actionLogging" << "LoggingWindow";
    QTest::newRow("playback") << "actionPlayBackTester" << "PlayBackTester";
}

void TestMainWindow::toolActionsOpenSubWindows()
{
    QFETCH(QString, action);
    QFETCH(QString, widgetClass);
    WorkDir wd;
    wd.write("translations/jobs_all_en_EN.txt", "STATUS_LMM\tJOB_S\tAir mass\n");
    MainWindow w(args("simulation"));
    QAction *a = w.findChild<QAction *>(action);
    QVERIFY(a->isEnabled());
    a->trigger();
    a->trigger();  // every trigger opens a new window
    int found = 0;
    for (QMdiSubWindow *sub : w.mdi()->subWindowList()) {
        if (sub->widget()->inherits(widgetClass.toLatin1().constData()))
            ++found;
    }
    QCOMPARE(found, 2);
    // The hidden ones cannot be reached at all.
    QVERIFY(!w.findChild<QAction *>("actionMisc")->isVisible());
    QVERIFY(!w.findChild<QAction *>("actionSerial_Port_2")->isVisible());
}

void TestMainWindow::windowsOpenAtTheirFormSize_data()
{
    QTest::addColumn<QString>("action");
    QTest::addColumn<QString>("widgetClass");
    QTest::addColumn<QSize>("form");
    QTest::newRow("DDE6 M47") << "actionDDE6_M47" << "DDECustomView" << QSize(915, 574);
    QTest::newRow("chart2D") << "actionChart2D" << "Basic2DChart" << QSize(851, 763);
    QTest::newRow("mlv") << "actionMLV" << "MLVMultiPlot" << QSize(745, 415);
    QTest::newRow("gauges") << "actionGauges" << "GaugeSetupWindow" << QSize(447, 422);
    QTest::newRow("translations") << "actionTranslations" << "TranslationViewrForm" << QSize(461, 367);
    QTest::newRow("datatable") << "actionDatatable" << "DatatableTestingForm" << QSize(640, 560);
    QTest::newRow("external source") << "actionExternal_source" << "ExtLoggerSetupWindow" << QSize(390, 151);
    QTest::newRow("plx config") << "actionPLX_Config" << "PLXConfigForm" << QSize(480, 260);
    QTest::newRow("innovate config") << "actionInnovate_Config" << "InnovateConfigForm" << QSize(550, 310);
    QTest::newRow("innovate simulator") << "actionInnovate" << "InnovateTesterWindow" << QSize(618, 476);
    QTest::newRow("detect ecu") << "actionDetect_ECU" << "EcuDetectWindow" << QSize(551, 346);
    QTest::newRow("trace") << "actionTrace" << "DebugForm" << QSize(480, 360);
    QTest::newRow("job tool") << "actionJob_Tool" << "JobTool" << QSize(520, 560);
    QTest::newRow("custom jobs") << "actionCustom_jobs" << "ManageCustomJobForm" << QSize(640, 420);
    QTest::newRow("tables") << "actionTables" << "PRGTableTest" << QSize(676, 432);
    QTest::newRow("multi plot window") << "actionMulti_plot_window" << "MultiCurvePlotWindow" << QSize(506, 212);
    QTest::newRow("serial port") << "actionSerial_Port" << "SeriaPortTestForm" << QSize(708, 596);
    QTest::newRow("data sender") << "actionData_Sender" << "DataSenderWindow" << QSize(520, 400);
    QTest::newRow("usb") << "actionUsb" << "CanProxyWindow" << QSize(411, 392);
    QTest::newRow("14point7 tester") << "action14point7" << "Q14Point7TesterWindow" << QSize(613, 535);
    QTest::newRow("data logger") << "actionLogging" << "LoggingWindow" << QSize(560, 520);
    QTest::newRow("playback") << "actionPlayBackTester" << "PlayBackTester" << QSize(420, 360);
}

void TestMainWindow::windowsOpenAtTheirFormSize()
{
    // A window smaller than its form cuts the values it shows: each opens
    // at least at its form's size, and inside the area.
    QFETCH(QString, action);
    QFETCH(QString, widgetClass);
    QFETCH(QSize, form);
    WorkDir wd;
    wd.write("translations/jobs_all_en_EN.txt", "STATUS_LMM\tJOB_S\tAir mass\n");
    MainWindow w(args("simulation"));
    w.resize(1280, 1000);
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    w.findChild<QAction *>(action)->trigger();
    QMdiSubWindow *sub = nullptr;
    for (QMdiSubWindow *s : w.mdi()->subWindowList())
        if (s->widget()->inherits(widgetClass.toLatin1().constData()))
            sub = s;
    QVERIFY(sub);
    QTRY_VERIFY(sub->isVisible());
    const QSize opened = sub->widget()->size();
    QVERIFY2(opened.width() >= form.width() && opened.height() >= form.height(),
             qPrintable(QString("%1x%2").arg(opened.width()).arg(opened.height())));
    QVERIFY(w.mdi()->viewport()->rect().contains(sub->geometry()));
}

void TestMainWindow::plotWindowOpensAtItsFormSize()
{
    // Narrower than its form, the result table beside the plot cuts the
    // values off.
    WorkDir wd;
    writeCatalogue(wd);
    MainWindow w(args("simulation"));
    w.resize(1280, 1000);
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    QListWidget *ecus = w.ecuList()->findChild<QListWidget *>("listEcus");
    ecus->setCurrentRow(rowOfEcu(ecus, "D73N57C0"));
    doubleClickRow(w.ecuList()->findChild<QListWidget *>("listJobs"), 0);
    QTRY_COMPARE_WITH_TIMEOUT(w.plotWindows().size(), 1, 5000);
    PlotWindow *plot = w.plotWindows().first();
    QTRY_VERIFY(plot->isVisible());
    QVERIFY2(plot->width() >= 900 && plot->height() >= 520,
             qPrintable(QString("%1x%2").arg(plot->width()).arg(plot->height())));
    QVERIFY(w.mdi()->viewport()->rect().contains(plot->parentWidget()->geometry()));
}

void TestMainWindow::closingPlotWindowClosesOnlyItsFrame_data()
{
    QTest::addColumn<QString>("active");
    QTest::addColumn<QString>("how");
    QTest::newRow("frame, multicurve active") << "MultiCurvePlotWindow" << "frame";
    QTest::newRow("code, multicurve active") << "MultiCurvePlotWindow" << "code";
    QTest::newRow("double click, gauges active") << "GaugeContainer" << "double click";
    QTest::newRow("code, chart active") << "Basic2DChart" << "code";
    QTest::newRow("frame, data logger active") << "LoggingWindow" << "frame";
    QTest::newRow("code, other plot window active") << "PlotWindow" << "code";
    QTest::newRow("frame, itself active") << "itself" << "frame";
}

void TestMainWindow::closingPlotWindowClosesOnlyItsFrame()
{
    // Whatever window is active, a plot window that closes takes its own
    // frame with it and nothing else.
    QFETCH(QString, active);
    QFETCH(QString, how);
    WorkDir wd;
    MainWindow w(args("simulation"));
    w.resize(1280, 1000);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    CJob other("D_EGS", "STATUS_GANG");
    PlotWindow &stays = w.createPlotWindow(other);
    stays.show();
    w.findChild<QAction *>("actionMulti_plot_window")->trigger();
    w.findChild<QAction *>("actionChart2D")->trigger();
    w.findChild<QAction *>("actionLogging")->trigger();
    auto *screen = new GaugeContainer();
    w.addSubWindow(screen)->resize(300, 200);
    screen->show();
    CJob job("D_MOTOR", "STATUS_MESSWERTE");
    PlotWindow &closing = w.createPlotWindow(job);
    closing.show();
    QPointer<QMdiSubWindow> frame = qobject_cast<QMdiSubWindow *>(closing.parentWidget());
    QVERIFY(frame);

    QList<QPointer<QMdiSubWindow>> others;
    QList<bool> shown;
    QMdiSubWindow *toActivate = frame;
    for (QMdiSubWindow *sub : w.mdi()->subWindowList()) {
        if (sub == frame)
            continue;
        others << sub;
        shown << sub->isVisible();
        if (sub->widget()->inherits(active.toLatin1().constData()))
            toActivate = sub;
    }
    QCOMPARE(others.size(), 6); // the ECU list and the five opened here
    w.mdi()->setActiveSubWindow(toActivate);
    QCOMPARE(w.mdi()->activeSubWindow(), toActivate);

    if (how == "frame")
        frame->close();
    else if (how == "code")
        closing.close();
    else
        QTest::mouseDClick(&closing, Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
    QTRY_VERIFY(frame.isNull());
    QCoreApplication::processEvents();
    QCOMPARE(w.mdi()->subWindowList().size(), others.size());
    for (int i = 0; i < others.size(); ++i) {
        QVERIFY(others[i]);
        QVERIFY2(others[i]->isVisible() == shown[i] && others[i]->widget()->isVisible(),
                 others[i]->widget()->metaObject()->className());
    }
    QVERIFY(shown.count(true) >= 5);
    QCOMPARE(w.plotWindows(), QList<PlotWindow *>{&stays});
}

namespace {
QList<MultiCurvePlotWindow *> multiCurveWindows(MainWindow &w)
{
    QList<MultiCurvePlotWindow *> found;
    for (QMdiSubWindow *sub : w.mdi()->subWindowList(QMdiArea::CreationOrder)) {
        if (auto *multi = qobject_cast<MultiCurvePlotWindow *>(sub->widget()))
            found << multi;
    }
    return found;
}

qint64 curvePoints(PlotWidget *plot, const char *result)
{
    for (CustomQwtCurve *c : plot->curveMap()) {
        if (c->resultPair()->resultName == result)
            return c->curveData()->pointCount();
    }
    return -1;
}

QSize subWindowSize(QWidget *window)
{
    return window->parentWidget()->size();
}
} // namespace

void TestMainWindow::playBackListsTheDemoLog()
{
    WorkDir wd;
    QVERIFY(wd.copyTree(QStringLiteral(KELVO_SOURCE_DIR) + "/demo"));
    MainWindow w(args("simulation"));
    w.findChild<QAction *>("actionPlayBackTester")->trigger();
    QList<PlayBackTester *> testers;
    for (QMdiSubWindow *sub : w.mdi()->subWindowList())
        if (auto *t = qobject_cast<PlayBackTester *>(sub->widget()))
            testers << t;
    QCOMPARE(testers.size(), 1);
    QVERIFY(testers.first()->isVisible());
    QComboBox *files = testers.first()->findChild<QComboBox *>("cmbCsvFile");
    QVERIFY(files->findText("demo-drive.csv") >= 0);
    QVERIFY(!testers.first()->hasWorker());
}

void TestMainWindow::multiPlotWindowTakesJobsAndResets()
{
    WorkDir wd;
    MainWindow w(args("simulation"));
    w.resize(1061, 693);
    QAction *f2 = w.findChild<QAction *>("actionMulti_plot_window");
    QCOMPARE(f2->shortcut(), QKeySequence("F2"));
    f2->trigger();
    QList<MultiCurvePlotWindow *> windows = multiCurveWindows(w);
    QCOMPARE(windows.size(), 1);
    MultiCurvePlotWindow *multi = windows.first();
    QWidget *sub = multi->parentWidget();
    QVERIFY(sub->isVisible());
    QCOMPARE(sub->size(), QSize(600, 400));
    QCOMPARE(sub->pos(), QPoint(230, 146));

    // Registered: a finished job reaches it through the fan-out.
    CJob job = PlotWindowFeed::makeJob("D_MOTOR", "STATUS_MESSWERTE", {{"STAT_RPM_WERT", 8, 800}});
    QVERIFY(JobQueue::instance()->addJob(job));
    PlotWindowFeed::send(PlotWindowFeed::makeJob("D_MOTOR", "STATUS_MESSWERTE", {{"STAT_RPM_WERT", 8, 800}}));
    QTRY_VERIFY_WITH_TIMEOUT(multi->jobsReceived() >= 1, 5000);
    QCOMPARE(multi->jobSet().size(), 1);

    CJobResultPair pair;
    pair.job = job;
    pair.resultName = "STAT_RPM_WERT";
    multi->addCurves({pair});
    QCOMPARE(multi->plotWidget()->curveMap().size(), 1);
    w.findChild<QAction *>("actionReset_all")->trigger();
    QVERIFY(multi->plotWidget()->curveMap().isEmpty());
    JobQueue::instance()->removeJob(job);
}

void TestMainWindow::multiplotOpensPlottedResults()
{
    WorkDir wd;
    MainWindow w(args("simulation"));
    w.resize(1061, 693);
    CJob job("D_MOTOR", "STATUS_MESSWERTE");
    PlotWindow &plot = w.createPlotWindow(job);
    plot.show();
    auto values = [](double v) {
        return QList<PlotWindowFeed::Value>{
            {"STAT_RPM_WERT", 8, 800 + v}, {"STAT_TEMP_WERT", 2, 90 + v}, {"STAT_LOAD_WERT", 4, 10 + v}};
    };
    PlotWindowFeed::send(PlotWindowFeed::makeJob("D_MOTOR", "STATUS_MESSWERTE", values(0)));
    QTRY_COMPARE_WITH_TIMEOUT(plot.messageCount(), quint64(1), 5000);
    ResultTableModel *model = plot.findChild<ResultTableView *>("tableView")->tableModel();
    for (int row = 0; row < model->rowCount(); ++row) {
        const std::string name = model->userData(row, 0).value<CJobResult>().name;
        if (name != "STAT_LOAD_WERT")
            model->setCellData(row, 0, Qt::Checked, Qt::CheckStateRole);
    }
    QCOMPARE(plot.plotWidgets().size(), 2);

    QPushButton *button = plot.findChild<QPushButton *>("btnMultiCurve");
    QVERIFY(button->isEnabled());
    button->click();
    QList<MultiCurvePlotWindow *> windows = multiCurveWindows(w);
    QCOMPARE(windows.size(), 1);
    MultiCurvePlotWindow *multi = windows.first();
    QVERIFY(multi->isVisible());
    QCOMPARE(subWindowSize(multi), QSize(800, 400));
    QCOMPARE(multi->parentWidget()->pos(), QPoint(1061 / 2 - 400, 693 / 2 - 200));
    PlotWidget *curves = multi->plotWidget();
    QCOMPARE(curves->curveMap().size(), 2);
    for (CustomQwtCurve *c : curves->curveMap()) {
        const QList<QWidget *> labels = multi->legend()->legendWidgets(curves->itemToInfo(c));
        QCOMPARE(labels.size(), 1);
        QVERIFY(qobject_cast<QwtLegendLabel *>(labels.first())->isChecked());
    }

    // Later jobs add points to both curves and to nothing else.
    PlotWindowFeed::send(PlotWindowFeed::makeJob("D_MOTOR", "STATUS_MESSWERTE", values(1)));
    PlotWindowFeed::send(PlotWindowFeed::makeJob("D_MOTOR", "STATUS_MESSWERTE", values(2)));
    QTRY_COMPARE_WITH_TIMEOUT(curvePoints(curves, "STAT_RPM_WERT"), qint64(2), 5000);
    QTRY_COMPARE_WITH_TIMEOUT(curvePoints(curves, "STAT_TEMP_WERT"), qint64(2), 5000);
    QCOMPARE(curves->curveMap().size(), 2);
}

void TestMainWindow::dieselJobReachesChartAndDashboard()
{
    WorkDir wd;
    MainWindow w(args("simulation"));
    w.findChild<QAction *>("actionChart2D")->trigger();
    w.findChild<QAction *>("actionDDE6_M47")->trigger();
    Basic2DChart *chart = w.mdi()->findChild<Basic2DChart *>();
    DDECustomView *dashboard = w.mdi()->findChild<DDECustomView *>();
    QVERIFY(chart && dashboard);
    QVERIFY(chart->isVisible() && dashboard->isVisible());

    CJob job("D73N57C0", "MW_SELECT_LESEN_NORM");
    QVERIFY(JobQueue::instance()->addJob(job));
    QComboBox *x = chart->findChild<QComboBox *>("cmbXResult");
    QTRY_VERIFY_WITH_TIMEOUT(x->findText("MW_SELECT_LESEN_NORM.STAT_ENG_NAVRG_WERT (D73N57C0)") >= 0, 10000);
    QLabel *rpm = dashboard->findChild<QLabel *>("lblRPM");
    QLabel *water = dashboard->findChild<QLabel *>("lblWater");
    QTRY_VERIFY_WITH_TIMEOUT(rpm->text().endsWith(" RPM") && rpm->text() != "3856 RPM", 10000);
    QVERIFY(water->text().startsWith("Water:"));
    QVERIFY(dashboard->findChild<QLabel *>("lblRail")->text().startsWith("Rail pressure:"));
    // The sub-window's caption names the ECU the dashboard follows.
    QMdiSubWindow *sub = nullptr;
    for (QMdiSubWindow *s : w.mdi()->subWindowList())
        if (s->widget() == dashboard)
            sub = s;
    QVERIFY(sub);
    QCOMPARE(sub->windowTitle(), QString("DDE6 M47 (D73N57C0)"));
    JobQueue::instance()->removeJob(job);
}

void TestMainWindow::f3OpensGaugeScreensEachTime()
{
    WorkDir wd;
    wd.write("gauges/MSV70/definitions.txt", "[RPM]\nJobname=MW_SELECT_LESEN_NORM\nResultname=STAT_ENG_NAVRG_WERT\n");
    wd.write("gauges/MSV70/screens/dash.txt", "columns=1\n[RPM]\n");
    MainWindow w(args("simulation"));
    w.ecuSelected("MSV70");
    w.show();
    QVERIFY(QTest::qWaitForWindowActive(&w));
    QAction *gauges = w.findChild<QAction *>("actionGauges");
    QVERIFY(gauges->isEnabled());
    QCOMPARE(gauges->shortcut(), QKeySequence(Qt::Key_F3));
    auto setups = [&w]() {
        QList<QMdiSubWindow *> found;
        for (QMdiSubWindow *sub : w.mdi()->subWindowList())
            if (qobject_cast<GaugeSetupWindow *>(sub->widget()))
                found << sub;
        return found;
    };
    QTest::keyClick(&w, Qt::Key_F3);
    QCOMPARE(setups().size(), 1);
    QTest::keyClick(&w, Qt::Key_F3);
    QCOMPARE(setups().size(), 2);
    for (QMdiSubWindow *sub : setups()) {
        QVERIFY(sub->isVisible());
        QVERIFY(sub->findChild<QSizeGrip *>());
        QCOMPARE(sub->widget()->windowTitle(), QString("Gauge screens"));
    }
    // The setup window reads the gauges the main window loaded.
    auto *list = setups().first()->widget()->findChild<QListWidget *>("listWidget");
    QCOMPARE(list->count(), 1);
    QCOMPARE(list->item(0)->text(), QString("dash"));

    // The template tool's entry stays hidden; its slot still opens the tool.
    QVERIFY(!w.findChild<QAction *>("actionMisc")->isVisible());
    QVERIFY(QMetaObject::invokeMethod(&w, "on_actionMisc_triggered"));
    QVERIFY(w.mdi()->subWindowList().last()->widget()->inherits("MiscUtilsWindow"));
}

void TestMainWindow::saveAllScreenshotsWritesOnePerGaugeScreen()
{
    WorkDir wd;
    MainWindow w(args("simulation"));
    for (int i = 0; i < 2; ++i) {
        auto *screen = new GaugeContainer();
        w.addSubWindow(screen)->resize(300, 200);
        screen->show();
    }
    w.findChild<QAction *>("actionSave_all_screenshots")->trigger();
    const QStringList shots = QDir().entryList({"gauge_*.png"}, QDir::Files);
    QCOMPARE(shots.size(), 2);
    for (const QString &shot : shots)
        QVERIFY(!QImage(shot).isNull());
}

void TestMainWindow::closingWhileEdiabasJobIsBusyEndsCleanly()
{
    WorkDir wd;
    EdiabasStandIn::reset();
    wd.write("ediabas/ediabas.json",
             R"({"ecus": {"D_MOTOR": {"default": {"busyUntilBroken": true}}}})");
    // The runtime calls the handler from the runner thread when the job starts.
    static std::atomic<bool> started{false};
    started = false;
    EdiabasStandIn::setHandler([](const EdiabasStandIn::JobRequest &, EdiabasStandIn::Response &) {
        started.store(true);
    });
    auto jobStarted = []() { return started.load(); };
    QElapsedTimer timer;
    {
        MainWindow w(args());
        CJob job("D_MOTOR", "STATUS_HANGS");
        QVERIFY(JobQueue::instance()->addJob(job));
        QTRY_VERIFY_WITH_TIMEOUT(jobStarted(), 10000);
        QTest::qWait(200);  // well inside the busy wait
        w.close();
        timer.start();
    }
    QVERIFY2(timer.elapsed() < 4000, qPrintable(QString::number(timer.elapsed())));
    // The job was broken off, not left running in the runtime.
    bool broken = false;
    for (const EdiabasStandIn::CallRecord &call : EdiabasStandIn::callLog()) {
        if (call.call == QLatin1String("__apiBreak") || call.call == QLatin1String("__apiEnd"))
            broken = true;
    }
    QVERIFY(broken);
    EdiabasStandIn::reset();
}

void TestMainWindow::detectedEcuIsSelectedInList()
{
    WorkDir wd;
    writeCatalogue(wd);
    EdiabasStandIn::reset();
    // Without a script the runtime answers INITIALISIERUNG on D_MOTOR with
    // the variant MSV70 and fails on the other candidates.
    MainWindow w(args("simulation"));
    QAction *detect = w.findChild<QAction *>("actionDetect_ECU");
    QCOMPARE(detect->shortcut(), QKeySequence("Ctrl+D"));
    detect->trigger();
    EcuDetectWindow *window = w.mdi()->findChild<EcuDetectWindow *>();
    QVERIFY(window);
    QVERIFY(window->isVisible());
    window->findChild<QPushButton *>("detectButton")->click();
    QCOMPARE(w.ecuList()->currentEcu(), QString("MSV70"));
    QCOMPARE(w.currentEcu(), QString("MSV70"));
    CRunner::endEdiabas();
    EdiabasStandIn::reset();
}

void TestMainWindow::traceWindowFollowsEcuList()
{
    WorkDir wd;
    writeCatalogue(wd);
    MainWindow w(args("simulation"));
    w.findChild<QAction *>("actionTrace")->trigger();
    DebugForm *form = w.mdi()->findChild<DebugForm *>();
    QVERIFY(form);
    QLineEdit *line = form->findChild<QLineEdit *>("lineECU");
    QListWidget *ecus = w.ecuList()->findChild<QListWidget *>("listEcus");
    ecus->setCurrentRow(rowOfEcu(ecus, "D73N57C0"));
    QCOMPARE(line->text(), QString("D73N57C0"));
    ecus->setCurrentRow(rowOfEcu(ecus, "MSV70"));
    QCOMPARE(line->text(), QString("MSV70"));
}

void TestMainWindow::closingMidJobToolReadEndsQuickly()
{
    WorkDir wd;
    EdiabasStandIn::reset();
    wd.write("ediabas/ediabas.json",
             R"({"ecus": {"MSV70": {"jobs": {"SPEICHER_LESEN": {"busyMs": 2, "generator": "memory"}}}}})");
    QElapsedTimer timer;
    {
        MainWindow w(args("simulation"));
        w.findChild<QAction *>("actionJob_Tool")->trigger();
        JobTool *tool = w.mdi()->findChild<JobTool *>();
        QVERIFY(tool);
        tool->findChild<QRadioButton *>("radIterCount")->setChecked(true);
        tool->findChild<QLineEdit *>("iterationCountLineEdit")->setText("3999");
        QComboBox *target = tool->findChild<QComboBox *>("iterationTargetCombo");
        target->setCurrentIndex(target->findText("arg2"));
        QComboBox *amount = tool->findChild<QComboBox *>("iterationAmountFieldComboBox");
        amount->setCurrentIndex(amount->findText("arg3"));
        tool->findChild<QPushButton *>("pushButton")->click();
        QTRY_VERIFY(EdiabasStandIn::callLog().size() > 50);
        w.close();
        timer.start();
    }
    QVERIFY2(timer.elapsed() < 2000, qPrintable(QString::number(timer.elapsed())));
    int jobs = 0;
    for (const EdiabasStandIn::CallRecord &call : EdiabasStandIn::callLog())
        jobs += call.call == QLatin1String("__apiJob") ? 1 : 0;
    QVERIFY(jobs < 4000);
    EdiabasStandIn::reset();
}

namespace {
// Listens to every finished job, as a plot window would.
class JobListener : public QObject
{
    Q_OBJECT
public:
    QList<QPair<CJob, int>> finished;
    int countWith(bool ok) const
    {
        int n = 0;
        for (const auto &f : finished)
            n += (f.second == 0) == ok ? 1 : 0;
        return n;
    }
public slots:
    void onJobFinished(CJob job, int result) { finished << qMakePair(job, result); }
};

int widgetsOfClass(MainWindow &w, const char *className)
{
    int n = 0;
    for (QMdiSubWindow *sub : w.mdi()->subWindowList()) {
        if (sub->widget() && sub->widget()->inherits(className))
            ++n;
    }
    return n;
}

QSet<QWidget *> visibleTopLevels()
{
    QSet<QWidget *> set;
    for (QWidget *t : QApplication::topLevelWidgets()) {
        if (t->isVisible())
            set << t;
    }
    return set;
}

int count(const QString &call)
{
    int n = 0;
    for (const EdiabasStandIn::CallRecord &c : EdiabasStandIn::callLog())
        n += c.call == call ? 1 : 0;
    return n;
}
} // namespace

void TestMainWindow::menuTable()
{
    struct Row
    {
        const char *action, *menu, *text, *shortcut;
        bool visible, checkable;
    };
    const Row rows[] = {
        {"actionDetect_ECU", "menuFile", "Detect ECU", "Ctrl+D", true, false},
        {"actionPause", "menuFile", "Pause", "Ctrl+T", true, false},
        {"actionStart", "menuFile", "Start", "Ctrl+R", true, false},
        {"actionReset_all", "menuFile", "Reset all graphs", "F5", true, false},
        {"actionSave_all_graphs", "menuFile", "Save all graphs", "F6", true, false},
        {"actionSave_all_screenshots", "menuFile", "Save all screenshots", "F7", true, false},
        {"actionLogging", "menuTools", "Data Logger", "F1", true, false},
        {"actionOpen_CSV", "menuTools", "Log Viewer", "", true, false},
        {"actionPlayBackTester", "menuTools", "PlayBack", "", true, false},
        {"actionChart2D", "menuTools", "Chart2D", "", true, false},
        {"actionCustom_jobs", "menuTools", "Custom jobs", "", true, false},
        {"actionGauges", "menuTools", "&Gauges", "F3", true, false},
        {"actionMulti_plot_window", "menuTools", "Multi plot window", "F2", true, false},
        {"actionMLV", "menuTools", "MLV", "", true, false},
        {"actionDDE6_M47", "menuCustom_views", "DDE6 M47", "", true, false},
        {"actionJob_Tool", "menuTools", "Job Tool", "", true, false},
        {"actionTranslations", "menuTools", "Translations", "", true, false},
        {"actionExternal_source", "menuExternal_Source", "&External source", "Ctrl+E", true, false},
        {"actionPLX", "menuExternal_Source", "PLX", "", true, false},
        {"actionPLX_Config", "menuExternal_Source", "PLX Config", "", true, false},
        {"actionAEM", "menuExternal_Source", "AEM", "", true, false},
        {"actionInnovate_2", "menuExternal_Source", "Innovate MTS SDK", "", true, false},
        {"actionInnovate_Serial", "menuExternal_Source", "Innovate Serial", "", true, false},
        {"actionInnovate_Config", "menuExternal_Source", "Innovate Config", "", true, false},
        {"action14point7_2", "menuExternal_Source", "14point7", "", true, false},
        {"actionTechedge_WBO2", "menuExternal_Source", "Techedge WBO2", "", true, false},
        {"actionTrace", "menuDebug", "Trace", "", true, false},
        {"actionStart_EDIABAS", "menuDebug", "Start EDIABAS", "", true, false},
        {"actionStop_EDIABAS", "menuDebug", "Stop EDIABAS", "", true, false},
        {"actionSerial_Port", "menuDebug", "Serial Port", "", true, false},
        {"actionDatatable", "menuDebug", "Datatable", "", true, false},
        {"actionMisc", "menuDebug", "&Misc", "Ctrl+Shift+M", false, false},
        {"actionData_Sender", "menuDebug", "Data Sender", "", true, false},
        {"action14point7", "menuDebug", "14point7", "", true, false},
        {"actionTables", "menuDebug", "Tables", "", true, false},
        {"actionUsb", "menuDebug", "Usb", "", true, false},
        {"actionInnovate", "menuDebug", "Innovate Simulator", "", true, false},
        {"actionDonate", "menuAbout", "Donate", "", true, false},
        {"actionVersion", "menuAbout", "Version", "", true, false},
        {"actionUpdate", "menuAbout", "Update", "", true, false},
        {"actionExit", "", "Exit", "", true, false},
        {"actionJobs_list", "", "Jobs list", "Ctrl+Shift+J", true, true},
        {"actionSerial_Port_2", "", "Serial Port", "", false, false},
        {"actionSdfg", "", "sdfg", "", true, false},
    };
    WorkDir wd;
    MainWindow w(args("simulation"));
    for (const Row &r : rows) {
        const QByteArray at = QByteArray("in row ") + r.action;
        QAction *a = w.findChild<QAction *>(r.action);
        QVERIFY2(a, at);
        QStringList menus;
        for (QWidget *owner : a->associatedWidgets()) {
            if (qobject_cast<QMenu *>(owner))
                menus << owner->objectName();
        }
        QVERIFY2(menus == (*r.menu ? QStringList{r.menu} : QStringList()), at);
        QVERIFY2(a->text() == r.text, at);
        QVERIFY2(a->shortcut() == QKeySequence(r.shortcut), at);
        QVERIFY2(a->isVisible() == r.visible, at);
        QVERIFY2(a->isCheckable() == r.checkable, at);
    }
    // Every action of the form is in the table.
    QCOMPARE(w.findChildren<QAction *>(QRegularExpression("^action")).size(), int(sizeof rows / sizeof rows[0]));
}

void TestMainWindow::menusInOrder()
{
    WorkDir wd;
    MainWindow w(args("simulation"));
    auto entries = [&w](const char *menuName) {
        QStringList names;
        for (QAction *a : w.findChild<QMenu *>(menuName)->actions())
            names << (a->isSeparator() ? QStringLiteral("-") : a->menu() ? a->menu()->objectName() : a->objectName());
        return names;
    };
    QStringList bar;
    for (QAction *a : w.menuBar()->actions())
        bar << a->menu()->objectName() + "=" + a->text();
    QCOMPARE(bar, (QStringList{"menuFile=&Main", "menuTools=Tools", "menuExternal_Source=External Source",
                               "menuDebug=&Troubleshooting", "menuThemes_2=Themes", "menuAbout=About"}));
    QCOMPARE(entries("menuFile"),
             (QStringList{"-", "actionDetect_ECU", "-", "actionPause", "actionStart", "-", "actionReset_all",
                          "actionSave_all_graphs", "actionSave_all_screenshots"}));
    QCOMPARE(entries("menuTools"),
             (QStringList{"actionLogging", "actionOpen_CSV", "actionPlayBackTester", "actionChart2D",
                          "actionCustom_jobs", "actionGauges", "actionMulti_plot_window", "actionMLV",
                          "menuCustom_views", "actionJob_Tool", "-", "actionTranslations"}));
    QCOMPARE(entries("menuCustom_views"), QStringList{"actionDDE6_M47"});
    QCOMPARE(w.findChild<QMenu *>("menuCustom_views")->title(), QString("Custom views"));
    QCOMPARE(entries("menuExternal_Source"),
             (QStringList{"actionExternal_source", "actionPLX", "actionPLX_Config", "actionAEM", "actionInnovate_2",
                          "actionInnovate_Serial", "actionInnovate_Config", "action14point7_2",
                          "actionTechedge_WBO2"}));
    QCOMPARE(entries("menuDebug"),
             (QStringList{"actionTrace", "actionStart_EDIABAS", "actionStop_EDIABAS", "actionSerial_Port",
                          "actionDatatable", "actionMisc", "actionData_Sender", "action14point7", "actionTables",
                          "actionUsb", "actionInnovate"}));
    QCOMPARE(entries("menuAbout"), (QStringList{"actionDonate", "actionVersion", "actionUpdate"}));
    QCOMPARE(w.findChild<QAction *>("actionGauges")->toolTip(), QString("Gaugess"));
    QVERIFY(!w.findChild<QAction *>("actionExit")->icon().isNull());
    QToolBar *toolBar = w.findChild<QToolBar *>("toolBar");
    QVERIFY(toolBar);
    QCOMPARE(toolBar->windowTitle(), QString("toolBar"));
    QVERIFY(toolBar->actions().isEmpty());
}

void TestMainWindow::doNothingRowsOpenNothing()
{
    WorkDir wd;
    MainWindow w(args("simulation"));
    const int subs = w.mdi()->subWindowList().size();
    const QSet<QWidget *> tops = visibleTopLevels();
    for (const char *name : {"actionPLX", "actionAEM", "actionInnovate_2", "actionInnovate_Serial",
                             "action14point7_2", "actionTechedge_WBO2", "actionVersion", "actionUpdate",
                             "actionExit", "actionJobs_list", "actionSdfg"}) {
        const QByteArray slot = QByteArray("on_") + name + "_triggered()";
        QVERIFY2(w.metaObject()->indexOfSlot(slot.constData()) < 0, slot.constData());
        w.findChild<QAction *>(name)->trigger();
        QCoreApplication::processEvents();
        QVERIFY2(w.mdi()->subWindowList().size() == subs, name);
        QVERIFY2(visibleTopLevels() == tops, name);
    }
    QVERIFY(w.isVisible());
}

void TestMainWindow::donateOpensTopLevelDialog()
{
    WorkDir wd;
    MainWindow w(args("simulation"));
    const int subs = w.mdi()->subWindowList().size();
    QAction *donate = w.findChild<QAction *>("actionDonate");
    QVERIFY(donate->isEnabled());
    donate->trigger();
    donate->trigger();
    QCOMPARE(w.mdi()->subWindowList().size(), subs);
    const QList<AboutDialog *> dialogs = w.findChildren<AboutDialog *>();
    QCOMPARE(dialogs.size(), 2);
    for (AboutDialog *d : dialogs) {
        QVERIFY(d->isWindow());
        QVERIFY(d->isVisible());
        QVERIFY(!d->isModal());
        QCOMPARE(d->parentWidget(), &w);
    }
    // Closed, it goes.
    QPointer<AboutDialog> first = dialogs.first();
    first->close();
    QTRY_VERIFY(first.isNull());
}

void TestMainWindow::logViewerShowsOneCurvePerColumn()
{
    WorkDir wd;
    MainWindow w(args("simulation"));
    w.resize(1200, 900);
    QAction *viewer = w.findChild<QAction *>("actionOpen_CSV");
    QVERIFY(viewer->isEnabled());

    // Cancelled: the file dialog asked for a CSV file, the viewer is empty.
    QString title, filter;
    ModalAnswerer answerer([&](QWidget *dialog) {
        if (auto *files = qobject_cast<QFileDialog *>(dialog)) {
            title = files->windowTitle();
            filter = files->nameFilters().join(';');
            files->reject();
        }
    });
    const int subs = w.mdi()->subWindowList().size();
    viewer->trigger();
    QCOMPARE(title, QString("Open CSV"));
    QCOMPARE(filter, QString("CSV Files (*.csv)"));
    QCOMPARE(w.mdi()->subWindowList().size(), subs + 1);
    auto *empty = qobject_cast<CSVGraphWindow *>(w.mdi()->subWindowList().last()->widget());
    QVERIFY(empty);
    QVERIFY(empty->plot()->curveMap().isEmpty());

    // With a log: one curve per column, 0.75 x 0.5 of the MDI area.
    CsvLogWriter log(CsvLogOptions(), QDateTime::currentMSecsSinceEpoch());
    log.addColumn("MSV70", "MW", "STAT_MOTORDREHZAHL_WERT");
    log.addColumn("MSV70", "MW", "STAT_KUEHLMITTELTEMPERATUR_WERT");
    log.addColumn("D73N57C0", "STATUS_LMM", "STATUS_LMM_WERT");
    log.start();
    for (int i = 0; i < 20; ++i) {
        log.write("MSV70", "MW", log.now + 50,
                  {{"STAT_MOTORDREHZAHL_WERT", QString::number(800 + i)}, {"STAT_KUEHLMITTELTEMPERATUR_WERT", "90"}});
        log.write("D73N57C0", "STATUS_LMM", log.now + 50, {{"STATUS_LMM_WERT", "12.5"}});
    }
    const QString file = log.stop();
    QMdiSubWindow *sub = w.openLogViewer(file);
    auto *graph = qobject_cast<CSVGraphWindow *>(sub->widget());
    QVERIFY(graph);
    QVERIFY(graph->isVisible());
    QCOMPARE(graph->plot()->curveMap().size(), 3);
    QStringList titles;
    for (CustomQwtCurve *c : graph->plot()->curveMap())
        titles << c->title().text();
    titles.sort();
    QCOMPARE(titles, (QStringList{"KUEHLMITTELTEMPERATUR", "MOTORDREHZAHL", "STATUS_LMM_WERT"}));
    const QSize area = w.mdi()->size();
    QCOMPARE(sub->size(), QSize(int(area.width() * 0.75), int(area.height() * 0.5)));
    QCOMPARE(sub->pos(), QPoint(int(area.width() * 0.125), (area.height() - int(area.height() * 0.5)) / 3));
}

void TestMainWindow::hiddenSettingsActionApplies()
{
    WorkDir wd;
    MainWindow w(args("simulation"));
    QAction *settings = w.findChild<QAction *>("actionSerial_Port_2");
    QVERIFY(!settings->isVisible());
    const int subs = w.mdi()->subWindowList().size();
    // Hidden, it is reachable from code only.
    QVERIFY(QMetaObject::invokeMethod(&w, "on_actionSerial_Port_2_triggered"));
    QVERIFY(QMetaObject::invokeMethod(&w, "on_actionSerial_Port_2_triggered"));
    QCOMPARE(widgetsOfClass(w, "SettingsDialog"), 2);
    QCOMPARE(w.mdi()->subWindowList().size(), subs + 2);
    QList<SettingsDialog *> dialogs;
    for (QMdiSubWindow *sub : w.mdi()->subWindowList(QMdiArea::CreationOrder)) {
        if (SettingsDialog *d = qobject_cast<SettingsDialog *>(sub->widget()))
            dialogs << d;
    }
    // Each starts from the main window's settings: parity even.
    QCOMPARE(dialogs.at(0)->findChild<QComboBox *>("parityBox")->currentText(), QString("Even"));

    SettingsDialog *first = dialogs.at(0);
    auto choose = [](SettingsDialog *d, const char *box, const QString &text) {
        QComboBox *b = d->findChild<QComboBox *>(box);
        b->setCurrentIndex(b->findText(text));
    };
    choose(first, "baudRateBox", "115200");
    choose(first, "dataBitsBox", "7");
    choose(first, "parityBox", "Odd");
    choose(first, "stopBitsBox", "2");
    choose(first, "flowControlBox", "XON/XOFF");
    choose(dialogs.at(1), "parityBox", "Mark");
    const QString port = first->findChild<QComboBox *>("serialPortInfoListBox")->currentText();
    QPointer<SettingsDialog> gone = first;
    // The first one applies although the second was opened last.
    QTest::mouseClick(first->findChild<QPushButton *>("applyButton"), Qt::LeftButton);
    QTRY_VERIFY(gone.isNull());
    QCOMPARE(w.mdi()->subWindowList().size(), subs + 1);

    const SerialPortSettings s = w.serialPortSettings();
    QCOMPARE(s.name, port);
    QCOMPARE(s.baudRate, 115200);
    QCOMPARE(s.stringBaudRate, QString("115200"));
    QCOMPARE(s.dataBits, 7);
    QCOMPARE(s.stringDataBits, QString("7"));
    QCOMPARE(s.parity, 3);
    QCOMPARE(s.stringParity, QString("Odd"));
    QCOMPARE(s.stopBits, 2);
    QCOMPARE(s.stringStopBits, QString("2"));
    QCOMPARE(s.flowControl, 2);
    QCOMPARE(s.stringFlowControl, QString("XON/XOFF"));

    // The next dialog starts from what was applied.
    QVERIFY(QMetaObject::invokeMethod(&w, "on_actionSerial_Port_2_triggered"));
    SettingsDialog *third = nullptr;
    for (QMdiSubWindow *sub : w.mdi()->subWindowList(QMdiArea::CreationOrder)) {
        if (SettingsDialog *d = qobject_cast<SettingsDialog *>(sub->widget()))
            third = d;
    }
    QCOMPARE(third->findChild<QComboBox *>("parityBox")->currentText(), QString("Odd"));
    QCOMPARE(third->findChild<QComboBox *>("baudRateBox")->currentText(), QString("115200"));
    QCOMPARE(w.findChildren<SettingsDialog *>().size(), 2);
}

void TestMainWindow::startEdiabasTwiceInitialisesOnce()
{
    WorkDir wd;
    EdiabasStandIn::reset();
    {
        MainWindow w(args());
        w.findChild<QAction *>("actionStart_EDIABAS")->trigger();
        w.findChild<QAction *>("actionStart_EDIABAS")->trigger();
        QCOMPARE(count("__apiInit"), 1);
        QVERIFY(CRunner::ediabasActive());
        w.findChild<QAction *>("actionStop_EDIABAS")->trigger();
        QCOMPARE(count("__apiEnd"), 1);
        QVERIFY(!CRunner::ediabasActive());
    }
    EdiabasStandIn::reset();
}

void TestMainWindow::stopEdiabasEndsBusyJob()
{
    WorkDir wd;
    EdiabasStandIn::reset();
    wd.write("kelvo.ini", "[serial]\nwaitbusy=1\n[ediabas]\npause_after_job=20\n");
    // The first job stays busy until EDIABAS breaks it off; later ones answer.
    static std::atomic<bool> started{false};
    started = false;
    EdiabasStandIn::setHandler([](const EdiabasStandIn::JobRequest &req, EdiabasStandIn::Response &out) {
        out.busyUntilBroken = req.callNumber == 1;
        started.store(true);
    });
    auto jobStarted = []() { return started.load(); };
    {
        MainWindow w(args());
        JobListener listener;
        QVERIFY(w.connectJobListener(&listener));
        CJob job("D_MOTOR", "STATUS_HANGS");
        QVERIFY(JobQueue::instance()->addJob(job));
        QTRY_VERIFY_WITH_TIMEOUT(jobStarted(), 10000);
        QTest::qWait(200);
        QCOMPARE(listener.finished.size(), 0);  // still busy

        w.findChild<QAction *>("actionStop_EDIABAS")->trigger();
        QCOMPARE(count("__apiEnd"), 1);
        QTRY_VERIFY_WITH_TIMEOUT(!listener.finished.isEmpty(), 5000);
        QVERIFY(listener.finished.first().second != 0);
        QVERIFY(!listener.finished.first().first.errorText.empty());
        QCOMPARE(listener.countWith(true), 0);

        w.findChild<QAction *>("actionStart_EDIABAS")->trigger();
        QCOMPARE(count("__apiInit"), 2);
        QTRY_VERIFY_WITH_TIMEOUT(listener.countWith(true) > 0, 5000);
        QCOMPARE(count("__apiEnd"), 1);
        QVERIFY2(EdiabasStandIn::overlaps().isEmpty(),
                 qPrintable(EdiabasStandIn::overlaps().isEmpty() ? QString() : EdiabasStandIn::overlaps().first().call));
    }
    EdiabasStandIn::reset();
}

int main(int argc, char **argv)
{
    // GLib's event dispatcher is not built with ThreadSanitizer, which then
    // reports its wake-up pipe as a race; Qt's own dispatcher is.
    qputenv("QT_NO_GLIB", "1");
    QApplication app(argc, argv);
    TestMainWindow test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}
#include "tst_mainwindow.moc"
