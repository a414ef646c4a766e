// The passive CAN listener against a scripted USBtin adapter on a
// pseudo-terminal: its set-up, the decoded values, the adapter's clock and
// its wraps, lines that are no frames, missing and lost ports, and the
// stops from the plot window and the setup window.
#include "canadapter.h"
#include "canadapterfe.h"
#include "extloggersetupwindow.h"
#include "extsourcehost.h"
#include "extsourcemanager.h"
#include "jobmetatypes.h"
#include "jobsink.h"
#include "kelvoglobaldata.h"
#include "plotwindow.h"
#include "ptydevice.h"
#include "resultlookup.h"
#include "slcanadapter.h"
#include "workdir.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QPushButton>
#include <QtTest>

namespace {
QByteArray frame(quint16 id, const char *hexData, int stamp)
{
    return SlcanAdapter::frameLine(id, QByteArray::fromHex(hexData), stamp);
}

double value(const CJob &job, const char *name)
{
    const CJobResult *r = findResult(job, name);
    return r ? r->realValue : -1;
}

// A plot window stand-in: records the start time it is given.
class StartTimeReceiver : public QObject
{
    Q_OBJECT
public:
    qint64 startTime = 0;
    int calls = 0;
public slots:
    void setStartTime(qint64 value)
    {
        startTime = value;
        ++calls;
    }
};

// The listener on a scripted adapter, its jobs in a sink.
struct Rig
{
    explicit Rig(const QString &port = QString())
        : adapter(dev)
        , fe("CAN", &receiver)
    {
        SerialPortSettings s = fe.serialSettings();
        s.name = port.isEmpty() ? dev.slavePath() : port;
        fe.setSerialSettings(s);
        ExtSourceManager::connectToListener(&fe, &sink);
        adapter.start();
    }
    bool listening(int timeoutMs = 5000)
    {
        QElapsedTimer t;
        t.start();
        while (!(fe.adapter() && fe.adapter()->isListening()) && t.elapsed() < timeoutMs)
            QTest::qWait(5);
        return fe.adapter() && fe.adapter()->isListening();
    }
    // One job 349 with that text and nothing after it; the stop then
    // returns at once.
    void verifyFailedOnce(const char *text)
    {
        QTest::qWait(300);
        QCOMPARE(sink.count(349), 1);
        QCOMPARE(sink.last().errorText, std::string(text));
        QCOMPARE(sink.last().jobName, std::string("CAN"));
        QCOMPARE(sink.last().getResultCount(), 0);
        QElapsedTimer t;
        t.start();
        fe.stop();
        QVERIFY(t.elapsed() < 500);
    }

    PtyDevice dev;
    SlcanAdapter adapter;
    StartTimeReceiver receiver;
    CANAdapterFE fe;
    JobSink sink;
};

class FakeHost : public ExtSourceHost
{
public:
    explicit FakeHost(QObject *receiver)
        : jobs(receiver)
    {
    }
    ~FakeHost() { qDeleteAll(windows); }
    PlotWindow &createPlotWindow(CJob &job, Qt::WindowFlags) override
    {
        auto *w = new PlotWindow(job);
        windows << w;
        return *w;
    }
    QObject *jobReceiver() override { return jobs; }

    QObject *jobs;
    QList<PlotWindow *> windows;
};
} // namespace

class TestCANAdapter : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void initialisesAndDecodes();
    void unwrapsAdapterClock();
    void noFramesNoJobs();
    void missingPortGivesOneJob();
    void unpluggedGivesPortLost();
    void closingPlotWindowClosesChannel();
    void closingSetupWindowWhileListening();
};

void TestCANAdapter::initTestCase()
{
    JobMetaTypes::registerAll();
}

void TestCANAdapter::initialisesAndDecodes()
{
    Rig rig;
    rig.adapter.stream({QByteArray("t0AA800000064401f00001234"), frame(0x1A0, "e8f3", 0x1240),
                        frame(0x0CE, "1027000000000000", 0x1250), frame(0x0CE, "0100020003000400", 0x1260)},
                       5);
    rig.fe.start();
    QVERIFY(rig.listening());
    QCOMPARE(rig.dev.baudRate(), 921600);
    QCOMPARE(rig.dev.dataBits(), 8);
    QVERIFY(rig.sink.waitFor(4, 5000));
    // The exact set-up, in order ("\rC\r" leaves an empty command).
    const QList<QByteArray> init = {"C",     "Z1",    "W2D00", "W200f", "W21e0", "W2200", "W2300", "W0015",
                                    "W0140", "W0200", "W0300", "W0419", "W05c0", "W0600", "W0700", "W240f",
                                    "W25e0", "W2600", "W2700", "W0815", "W0940", "W0a00", "W0b00", "W1019",
                                    "W11c0", "W1200", "W1300", "W1434", "W1500", "W1600", "W1700", "W1834",
                                    "W1900", "W1a00", "W1b00", "S6",    "O"};
    QCOMPARE(rig.adapter.commands(), init);
    QVERIFY(rig.adapter.received().startsWith("\rC\rZ1\rW2D00\r"));

    const QList<JobSink::Entry> &e = rig.sink.entries();
    for (const JobSink::Entry &x : e) {
        QCOMPARE(x.result, 0);
        QCOMPARE(x.job.jobName, std::string("CAN"));
        QCOMPARE(x.job.getResultCount(), 7);
        QCOMPARE(x.job.resultAt(0).name, std::string("wspd1"));
        QCOMPARE(x.job.resultAt(0).displayName, std::string("Wheel Speed1"));
        QCOMPARE(x.job.resultAt(6).name, std::string("Speed"));
    }
    QCOMPARE(value(e[0].job, "Pedal"), 100 * 0.39);
    QCOMPARE(value(e[0].job, "RPM"), 2000.0);
    QCOMPARE(value(e[0].job, "Speed"), 0.0);
    // The high nibble of d1 is ignored; pedal and RPM carried over.
    QCOMPARE(value(e[1].job, "Speed"), 100.0);
    QCOMPARE(value(e[1].job, "RPM"), 2000.0);
    QCOMPARE(value(e[2].job, "wspd1"), 10000.0);
    QCOMPARE(value(e[2].job, "wspd2"), 0.0);
    QCOMPARE(value(e[3].job, "wspd4"), 4.0);
    QCOMPARE(value(e[3].job, "Pedal"), 100 * 0.39);
    QCOMPARE(QByteArray(findResult(e[0].job, "RPM")->textValue), QByteArray("2.000000E+03"));
    rig.fe.stop();
}

void TestCANAdapter::unwrapsAdapterClock()
{
    Rig rig;
    rig.adapter.stream({frame(0x0AA, "0000006440", 64000), frame(0x0AA, "0000006440", 65000),
                        frame(0x0AA, "0000006440", 500), frame(0x0AA, "0000006440", 1500)},
                       5);
    rig.fe.start();
    QVERIFY(rig.sink.waitFor(4, 5000));
    QCOMPARE(rig.receiver.calls, 1);
    QVERIFY(rig.receiver.startTime > 0);
    QCOMPARE(KelvoGlobalData::instance()->canAdapterStartTime(), rig.receiver.startTime);
    QList<qint64> sinceFirst;
    for (const JobSink::Entry &x : rig.sink.entries())
        sinceFirst << x.job.timeStamp - rig.receiver.startTime;
    // One wrap of 0x10000 ms between 65000 and 500.
    QCOMPARE(sinceFirst, (QList<qint64>{0, 1000, 500 + 0x10000 - 64000, 1500 + 0x10000 - 64000}));
    rig.fe.stop();
}

void TestCANAdapter::noFramesNoJobs()
{
    Rig rig;
    rig.fe.start();
    QVERIFY(rig.listening());
    // Answers, BELL, an extended and a remote frame, an unstamped frame,
    // non-hex, cut and overlong lines; then one frame.
    rig.adapter.send(QByteArray("\r\a\rz\rT00000AA2010212 34\rr0AA0\rt0AA20102\rt0AA2zz0112 34\rt0A\rt0AA8")
                     + QByteArray(80, '0') + "\r" + frame(0x0AA, "0000000000", 0x0010) + "\r");
    QVERIFY(rig.sink.waitFor(1, 5000));
    // Then a frame with a smaller stamp: a real wrap, the only one.
    rig.adapter.send(frame(0x0AA, "0000000000", 0x0005) + "\r");
    QVERIFY(rig.sink.waitFor(2, 5000));
    QTest::qWait(100);
    QCOMPARE(rig.sink.count(), 2);
    QCOMPARE(rig.sink.entries().at(1).job.timeStamp - rig.sink.entries().at(0).job.timeStamp, qint64(0x10000 - 11));
    rig.fe.stop();
}

void TestCANAdapter::missingPortGivesOneJob()
{
    QTemporaryDir dir;
    const QString missing = dir.filePath("ttyNone");
    Rig rig(missing);
    QSignalSpy errors(rig.fe.adapter(), &CANAdapter::error);
    rig.fe.start();
    QVERIFY(rig.sink.waitFor(1, 5000));
    QCOMPARE(rig.sink.count(), 1);
    rig.verifyFailedOnce(qPrintable("failed to open port " + missing + ": No such file or directory"));
    QCOMPARE(errors.count(), 1);
    QCOMPARE(errors.at(0).at(0).toString(),
             "port:" + missing + " not opened: No such file or directory");
}

void TestCANAdapter::unpluggedGivesPortLost()
{
    Rig rig;
    rig.adapter.stream({frame(0x0AA, "0000000000", 1)}, 5);
    rig.fe.start();
    QVERIFY(rig.sink.waitFor(1, 5000));
    rig.adapter.stop();
    rig.dev.unplug();
    QTRY_VERIFY_WITH_TIMEOUT(rig.sink.count(349) == 1, 5000);
    QTRY_VERIFY(!rig.fe.adapter()->isListening());
    QVERIFY(!rig.fe.isRunning());
    rig.verifyFailedOnce("port lost: the line hung up");
}

void TestCANAdapter::closingPlotWindowClosesChannel()
{
    WorkDir wd;
    PtyDevice dev;
    SlcanAdapter adapter(dev);
    adapter.stream({frame(0x0AA, "0000000000", 1)}, 10, true);
    adapter.start();
    JobSink sink;
    ExtSourceManager *manager = ExtSourceManager::instance();
    auto *window = new PlotWindow(CJob("CAN", "CAN"));
    window->show();
    CANAdapterFE *fe = manager->createCANAdapter("CAN", &sink, *window);
    QCOMPARE(fe->parent(), manager);
    SerialPortSettings s = fe->serialSettings();
    s.name = dev.slavePath();
    fe->setSerialSettings(s);
    fe->start();
    QVERIFY(sink.waitFor(2, 5000));
    // The plot window got the adapter start time.
    QCOMPARE(window->startTime(), KelvoGlobalData::instance()->canAdapterStartTime());
    QVERIFY(window->startTime() > 0);
    QElapsedTimer t;
    t.start();
    window->close();
    QTRY_VERIFY_WITH_TIMEOUT(!fe->isRunning(), 10000);
    // Within a few read waits, not after the endless stream.
    QVERIFY2(t.elapsed() < 5000, qPrintable(QString::number(t.elapsed())));
    // The device reads the close command in its own thread.
    QTRY_VERIFY_WITH_TIMEOUT(!adapter.channelOpen(), 10000);
    QVERIFY(adapter.received().endsWith("\rC\r"));
    // Readings queued before the stop arrive now; none may follow them.
    QCoreApplication::sendPostedEvents();
    const int jobs = sink.count();
    QTest::qWait(100);
    QCOMPARE(sink.count(), jobs);
    delete window;
    ExtSourceManager::destroy();
}

void TestCANAdapter::closingSetupWindowWhileListening()
{
    WorkDir wd;
    PtyDevice dev;
    SlcanAdapter adapter(dev);
    adapter.stream({frame(0x0AA, "000000644000", 1)}, 10, true);
    adapter.start();
    JobSink sink;
    FakeHost host(&sink);
    {
        auto *setup = new ExtLoggerSetupWindow(&host);
        auto *device = setup->findChild<QComboBox *>("comboBox");
        device->setCurrentIndex(device->findText("USBTin CAN adapter"));
        setup->findChild<QComboBox *>("cmbComPort")->setEditText(dev.slavePath());
        QTest::mouseClick(setup->findChild<QPushButton *>("pushButton"), Qt::LeftButton);
        QCOMPARE(host.windows.size(), 1);
        QVERIFY(sink.waitFor(1, 5000));
        setup->close();
        delete setup;
    }
    const int before = sink.count();
    QVERIFY(sink.waitFor(before + 3, 5000));
    QCOMPARE(sink.last().jobName, std::string("CAN"));
    QCOMPARE(value(sink.last(), "RPM"), 0x40 * 0.25);
    host.windows.first()->close();
    QTRY_VERIFY_WITH_TIMEOUT(!adapter.channelOpen(), 10000);
    ExtSourceManager::destroy();
}

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    TestCANAdapter test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}
#include "tst_canadapter.moc"
