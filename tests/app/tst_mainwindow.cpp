// The main window with the real job machinery: start-up settings, the runner
// in simulation mode, a job queued from the ECU list reaching its plot
// window, the status labels, window state, themes and shut-down.
#include "crunner.h"
#include "ediabasstandin.h"
#include "ecujoblistwindow.h"
#include "globaljobreceiver.h"
#include "jobqueue.h"
#include "mainwindow.h"
#include "mdiarea.h"
#include "plotwindow.h"
#include "prgwriter.h"
#include "qrunnerthread.h"
#include "workdir.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QListWidget>
#include <QMdiSubWindow>
#include <QMenu>
#include <QSettings>
#include <QtTest>
#include <atomic>

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
    void closingWhileEdiabasJobIsBusyEndsCleanly();
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
    // Entries whose windows are not built stay in the menus, disabled; the
    // hidden ones cannot be reached at all.
    QVERIFY(!w.findChild<QAction *>("actionLogging")->isEnabled());
    QVERIFY(!w.findChild<QAction *>("actionMisc")->isVisible());
    QVERIFY(!w.findChild<QAction *>("actionSerial_Port_2")->isVisible());
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
