// Closing the main window ends the process within 4 s, whatever is in
// flight: an upload to a server that never answers, a trace run or an ECU
// detection waiting for EDIABAS, the job tool reading blocks, device
// sources on ports that stay silent; and no thread of the program runs on
// past the main window into the process's exit. The program runs as a
// process of its own (this executable, started again as the program with
// a scenario), and the time is taken from the close to the process's end.
#include "debugform.h"
#include "debugutils.h"
#include "ecudetectwindow.h"
#include "extloggersetupwindow.h"
#include "httptestserver.h"
#include "jobqueue.h"
#include "jobtool.h"
#include "kelvofonts.h"
#include "kelvolog.h"
#include "mainwindow.h"
#include "mdiarea.h"
#include "ptydevice.h"
#include "translationmgr.h"
#include "workdir.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QMdiSubWindow>
#include <QProcess>
#include <QPushButton>
#include <QSettings>
#include <QTimer>
#include <QtTest>
#include <cstdio>
#include <cstring>
#include <functional>

namespace {

const char *const childFlag = "--child-closes-while";

// Every job hangs until it is broken off, but the job list of a trace run.
const QByteArray hangingEcus = R"({
  "ecus": {
    "D_0012": { "default": { "busyUntilBroken": true } },
    "D_MOTOR": { "default": { "busyUntilBroken": true },
                 "jobs": { "_JOBS": { "sets": [ [ { "name": "JOBNAME", "text": "STATUS_A" } ] ] } } },
    "MSV70": { "default": { "busyUntilBroken": true } },
    "DM338DS0": { "default": { "busyUntilBroken": true } }
  }
})";

template <typename W>
W *openedBy(MainWindow &window, const char *action)
{
    window.findChild<QAction *>(action)->trigger();
    for (QMdiSubWindow *sub : window.mdi()->subWindowList()) {
        if (auto *w = qobject_cast<W *>(sub->widget()))
            return w;
    }
    return nullptr;
}

// Starts what the scenario has in flight (a click that returns only when
// it is over, so from the event loop) and says how to tell that it is.
std::function<bool()> start(MainWindow &window, const QString &scenario)
{
    if (scenario == "upload") {
        auto *form = openedBy<DebugForm>(window, "actionTrace");
        QTimer::singleShot(0, form, [form] { form->findChild<QPushButton *>("pushButton_2")->click(); });
        return [form] { return form->utils()->isUploading(); };
    }
    if (scenario == "trace") {
        auto *form = openedBy<DebugForm>(window, "actionTrace");
        form->onEcuSelected("D_MOTOR");
        QTimer::singleShot(0, form, [form] { form->findChild<QPushButton *>("pushButton")->click(); });
        return [form] { return form->isBusy(); };
    }
    if (scenario == "detection") {
        auto *detect = openedBy<EcuDetectWindow>(window, "actionDetect_ECU");
        auto *button = detect->findChild<QPushButton *>("detectButton");
        QTimer::singleShot(0, button, [button] { button->click(); });
        return [button] { return !button->isEnabled(); };
    }
    if (scenario == "detection behind the runner") {
        // The runner's job holds EDIABAS; the detection waits for it.
        CJob hanging("MSV70", "STATUS_LESEN");
        JobQueue::instance()->addJob(hanging);
        auto *detect = openedBy<EcuDetectWindow>(window, "actionDetect_ECU");
        auto *button = detect->findChild<QPushButton *>("detectButton");
        QTimer::singleShot(500, button, [button] { button->click(); });
        return [button] { return !button->isEnabled(); };
    }
    if (scenario == "detection test") {
        window.findChild<QAction *>("actionStart_EDIABAS")->trigger();
        auto *detect = openedBy<EcuDetectWindow>(window, "actionDetect_ECU");
        detect->findChild<QPushButton *>("pushButton")->click();
        return [detect] { return detect->pendingTests() > 0; };
    }
    if (scenario == "job tool") {
        auto *tool = openedBy<JobTool>(window, "actionJob_Tool");
        tool->findChild<QCheckBox *>("checkBox")->setChecked(false);  // through EDIABAS
        tool->findChild<QLineEdit *>("arg4LineEdit")->setText("16");  // the block length
        tool->findChild<QPushButton *>("pushButton")->click();
        return [tool] { return tool->isReading(); };
    }
    if (scenario.startsWith("device ")) {
        // "device <id> <port>": a source reading a device that stays silent.
        auto *setup = openedBy<ExtLoggerSetupWindow>(window, "actionExternal_source");
        auto *devices = setup->findChild<QComboBox *>("comboBox");
        devices->setCurrentIndex(devices->findData(scenario.section(' ', 1, 1).toInt()));
        setup->findChild<QComboBox *>("cmbComPort")->setEditText(scenario.section(' ', 2));
        setup->findChild<QPushButton *>("pushButton")->click();
        return [&window] { return !window.plotWindows().isEmpty(); };
    }
    return [] { return false; };
}

QByteArray threadName(const QString &task)
{
    QFile comm("/proc/self/task/" + task + "/comm");
    if (task == "self")
        comm.setFileName("/proc/self/comm");
    return comm.open(QIODevice::ReadOnly) ? comm.readAll().trimmed() : QByteArray();
}

// The program as main() runs it, with the scenario started once its window
// is up; closes the main window a moment after the scenario is under way
// and says so on standard output.
int runChild(int argc, char **argv, const QString &scenario)
{
    KelvoLog::showDebugOutput(false);
    QApplication app(argc, argv);
    TranslationMgr::instance(&app);
    KelvoFonts::install();
    int rc = 0;
    {
        // The runner goes through EDIABAS where the scenario needs it.
        MainWindow window({"kelvo", scenario.contains("runner") ? "" : "simulation"});
        window.show();
        window.restore();
        std::function<bool()> underWay;
        QTimer poll;
        int seen = 0;
        QObject::connect(&poll, &QTimer::timeout, &window, [&] {
            if (!underWay)
                underWay = start(window, scenario);
            else if (underWay() && ++seen == 5) {
                poll.stop();
                std::printf("closing\n");
                std::fflush(stdout);
                window.close();
            }
        });
        poll.start(50);
        rc = app.exec();
    }
    // Past the main window nothing of ours may run on into the process's
    // exit: only this thread, the logging library's pool (both under the
    // process's name) and Qt's network and bus helpers are left. A thread
    // that was waited for may take a moment to leave the system's list.
    const QByteArray self = threadName("self");
    QStringList running;
    QElapsedTimer leaving;
    leaving.start();
    do {
        running.clear();
        for (const QString &task : QDir("/proc/self/task").entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
            const QByteArray name = threadName(task);
            if (!name.isEmpty() && name != self && name != "Qt bearer threa" && name != "QDBusConnection")
                running << QString::fromLatin1(name);
        }
    } while (!running.isEmpty() && leaving.elapsed() < 300);
    if (!running.isEmpty()) {
        std::fprintf(stderr, "still running after the main window: %s\n", qPrintable(running.join(", ")));
        return 3;
    }
    return rc;
}

} // namespace

class TestProgramClose : public QObject
{
    Q_OBJECT
private slots:
    void endsWithinFourSeconds_data();
    void endsWithinFourSeconds();
};

void TestProgramClose::endsWithinFourSeconds_data()
{
    QTest::addColumn<QString>("scenario");
    QTest::newRow("upload to a silent server") << "upload";
    QTest::newRow("trace run on a hanging job") << "trace";
    QTest::newRow("detection of a hanging ECU") << "detection";
    QTest::newRow("detection waiting for the runner's hanging job") << "detection behind the runner";
    QTest::newRow("detection's test job hanging") << "detection test";
    QTest::newRow("job tool reading") << "job tool";
    const struct
    {
        const char *name;
        ExtLoggerSetupWindow::DeviceId id;
    } devices[] = {
        {"AEM", ExtLoggerSetupWindow::AemAirFuelRatio},  {"PLX", ExtLoggerSetupWindow::PlxRealTime},
        {"14point7", ExtLoggerSetupWindow::FourteenPoint7}, {"Innovate serial", ExtLoggerSetupWindow::InnovateSerial},
        {"TechEdge", ExtLoggerSetupWindow::TechEdgeWbo2}, {"CAN adapter", ExtLoggerSetupWindow::UsbTinCan},
    };
    for (const auto &d : devices)
        QTest::addRow("%s source on a silent port", d.name) << QString("device %1").arg(int(d.id));
}

void TestProgramClose::endsWithinFourSeconds()
{
    QFETCH(QString, scenario);
    WorkDir wd;
    HttpTestServer server;
    QVERIFY(server.listen());
    HttpTestServer::Reply silent;
    silent.silent = true;
    server.setReplies({silent});
    {
        QSettings ini("kelvo.ini", QSettings::IniFormat);
        ini.setValue("trace/upload_server", server.url());
        // A runner waits for a busy EDIABAS job to end.
        ini.setValue("serial/waitbusy", true);
    }
    for (const char *name : {"a.trc", "b.trc", "c.trc"})
        QVERIFY(wd.write(QString("DebugLogs/") + name, name));
    QVERIFY(wd.write("ediabas/ediabas.json", hangingEcus));

    PtyDevice port;
    QVERIFY(port.isOpen());
    QProcess program;
    program.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    program.start(QCoreApplication::applicationFilePath(),
                  {childFlag, scenario.startsWith("device") ? scenario + " " + port.slavePath() : scenario});
    // The server here answers while the program runs: wait with the event
    // loop going.
    auto waitFor = [&](const std::function<bool()> &done, int ms) {
        QElapsedTimer t;
        t.start();
        while (!done() && t.elapsed() < ms)
            QTest::qWait(10);
        return done();
    };
    QByteArray out;
    const bool closed = waitFor(
        [&] { return (out += program.readAllStandardOutput()).contains("closing") || program.state() == QProcess::NotRunning; },
        60000);
    QVERIFY2(closed && out.contains("closing"), out.constData());
    QElapsedTimer sinceClose;
    sinceClose.start();
    // Well past the bound, to tell a slow end from none.
    const bool ended = waitFor([&] { return program.state() == QProcess::NotRunning; }, 10000);
    const qint64 took = sinceClose.elapsed();
    qDebug("ended %lld ms after the close", took);
    QVERIFY2(ended, "the process still ran 10 s after the close");
    QVERIFY2(took < 4000, qPrintable(QString("the process ended %1 ms after the close").arg(took)));
    QCOMPARE(program.exitStatus(), QProcess::NormalExit);
    QCOMPARE(program.exitCode(), 0);
    if (scenario == "upload") {
        // The first file was on its way; none went after the close.
        QCOMPARE(server.requests().size(), 1);
    }
}

int main(int argc, char **argv)
{
    if (argc == 3 && std::strcmp(argv[1], childFlag) == 0)
        return runChild(argc, argv, QString::fromLocal8Bit(argv[2]));
    QApplication app(argc, argv);
    TestProgramClose test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_programclose.moc"
