// The generic serial reader of external devices against a pseudo-terminal
// device: line and block mode, quiet and missing ports, stopping while a
// stream runs, a port that fails while open, and the manager's hand-over
// from a closing plot window.
#include "extsourcedatahandler.h"
#include "extsourcemanager.h"
#include "jobmetatypes.h"
#include "jobsink.h"
#include "plotwindow.h"
#include "plotwindowfeed.h"
#include "plxdatahandler.h"
#include "plxstream.h"
#include "ptydevice.h"
#include "ptyresponder.h"
#include "qextrunnerthread.h"
#include "resultlookup.h"
#include "workdir.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QSerialPort>
#include <QtTest>
#include <mutex>

namespace {
// Records what the reader hands over; a reading is any non-empty data.
class RecordingHandler : public QObject, public ExtSourceDataHandler
{
    Q_OBJECT
    Q_INTERFACES(ExtSourceDataHandler)
public:
    explicit RecordingHandler(const QString &port)
    {
        settings.name = port;
        settings.baudRate = 19200;
        settings.dataBits = QSerialPort::Data8;
        settings.parity = QSerialPort::NoParity;
        settings.stopBits = QSerialPort::OneStop;
        settings.flowControl = QSerialPort::NoFlowControl;
    }
    SerialPortSettings &serialSettings() override { return settings; }
    void onDataReceived(QByteArray &data, CJob &job, bool &valid) override
    {
        {
            std::lock_guard<std::mutex> lock(mutex);
            received << data;
        }
        job.jobName = "TEST_JOB";
        CJobResult r;
        r.name = "DATA";
        r.format = 6;
        r.setTextValue(data.constData());
        job.addResult(r);
        valid = !data.isEmpty();
    }
    QList<QByteArray> calls()
    {
        std::lock_guard<std::mutex> lock(mutex);
        return received;
    }

    SerialPortSettings settings;

private:
    std::mutex mutex;
    QList<QByteArray> received;
};

// A device on a pseudo-terminal, a recording handler for its port (or for
// the port given), the reader and a sink for the reader's jobs.
struct Rig
{
    explicit Rig(bool lineMode, const QString &port = QString())
        : handler(port.isEmpty() ? dev.slavePath() : port)
        , reader("TEST_JOB", &handler, lineMode)
    {
        ExtSourceManager::connectToListener(&reader, &sink);
    }
    // True once the port is open and configured: bytes the device sends
    // from now on reach the reader.
    bool opened()
    {
        QElapsedTimer t;
        t.start();
        while (!reader.isReading() && t.elapsed() < 20000)
            QTest::qWait(10);
        return reader.isReading();
    }

    PtyDevice dev;
    RecordingHandler handler;
    JobSink sink;
    QExtRunnerThread reader;
};

QByteArray plxFrames(int count)
{
    QByteArray stream;
    for (int i = 0; i < count; ++i)
        stream += PlxStream::frame({{0, 0, 96 + i % 50}, {6, 0, 100}, {4, 1, 500}, {1, 0, 700}});
    return stream;
}
} // namespace

class TestQExtRunnerThread : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void lineModeHandsLinesWithoutEndings();
    void lineModeDropsOverlongLines();
    void blockModeDecodesPlxChunks();
    void quietDeviceGivesNothing();
    void failedOpenGivesOneJob_data();
    void failedOpenGivesOneJob();
    void stopEndsGaplessStreamSoon();
    void stopWithHalfLinePendingEmitsNothing();
    void unplugGivesPortLostOnce();
    void closingPlotWindowFreesPort();
};

void TestQExtRunnerThread::initTestCase()
{
    JobMetaTypes::registerAll();
}

void TestQExtRunnerThread::lineModeHandsLinesWithoutEndings()
{
    Rig rig(true);
    QVERIFY(rig.opened());
    // ".7" is the tail of a line whose start came before the port opened.
    rig.dev.write(".7\t1\r\n14.7\t1\r\n");
    QVERIFY(rig.sink.waitFor(1, 10000));
    // "\n" alone never ends a line.
    rig.dev.write("15.0\n16.0\n");
    QTest::qWait(700);
    QCOMPARE(rig.sink.count(), 1);
    rig.dev.write("\r");
    QVERIFY(rig.sink.waitFor(2, 10000));
    rig.reader.stop();
    QCOMPARE(rig.handler.calls(), (QList<QByteArray>{"14.7\t1", "15.016.0"}));
    QCOMPARE(rig.sink.entries().at(0).result, 0);
    QCOMPARE(rig.sink.entries().at(0).job.jobName, std::string("TEST_JOB"));
}

void TestQExtRunnerThread::lineModeDropsOverlongLines()
{
    Rig rig(true);
    QVERIFY(rig.opened());
    rig.dev.write("\r" + QByteArray(1025, '7') + "\r" + QByteArray(1024, '8') + "\r1.5\r");
    QVERIFY(rig.sink.waitFor(2, 10000));
    QTest::qWait(100);
    rig.reader.stop();
    QCOMPARE(rig.handler.calls(), (QList<QByteArray>{QByteArray(1024, '8'), "1.5"}));
}

void TestQExtRunnerThread::blockModeDecodesPlxChunks()
{
    WorkDir wd;
    PtyDevice dev;
    PtyResponder device(dev);
    // Gapless frames, seven bytes at a time: every read cuts a frame.
    device.play(plxFrames(40), 7, 1);
    device.start();
    PLXDataHandler handler;
    SerialPortSettings s = handler.serialSettings();
    s.name = dev.slavePath();
    handler.setSerialSettings(s);
    JobSink sink;
    QExtRunnerThread reader("PLX_SERIAL_REALTIME", &handler);
    ExtSourceManager::connectToListener(&reader, &sink);
    QVERIFY(sink.waitFor(5, 10000));
    // Read back while open: closing restores the terminal's own settings.
    QCOMPARE(dev.baudRate(), 19200);
    reader.stop();
    device.stop();
    QCOMPARE(sink.count(349), 0);
    for (const JobSink::Entry &e : sink.entries()) {
        QCOMPARE(e.job.jobName, std::string("PLX_SERIAL_REALTIME"));
        QCOMPARE(e.job.getResultCount(), 4);
        const CJobResult *afr = findResult(e.job, "STAT_AFR_0");
        QVERIFY(afr);
        QVERIFY2(afr->realValue > 0.93 && afr->realValue < 1.07, qPrintable(QString::number(afr->realValue)));
        QCOMPARE(findResult(e.job, "STAT_RPM_0")->realValue, 1955.0);
    }
    QCOMPARE(handler.droppedFrames(), 0);
}

void TestQExtRunnerThread::quietDeviceGivesNothing()
{
    Rig rig(false);
    QVERIFY(rig.opened());
    QTest::qWait(1500);
    QVERIFY(rig.reader.isReading());
    rig.reader.stop();
    QCOMPARE(rig.sink.count(), 0);
    QCOMPARE(rig.handler.calls().size(), 0);
}

void TestQExtRunnerThread::failedOpenGivesOneJob_data()
{
    QTest::addColumn<bool>("busy");
    QTest::newRow("missing") << false;
    QTest::newRow("busy") << true;
}

void TestQExtRunnerThread::failedOpenGivesOneJob()
{
    QFETCH(bool, busy);
    PtyDevice dev;
    QSerialPort holder(dev.slavePath());
    if (busy)
        QVERIFY(holder.open(QIODevice::ReadWrite));
    QTemporaryDir dir;
    const QString missing = dir.filePath("ttyNone");
    Rig rig(false, busy ? dev.slavePath() : missing);
    // A busy port is one whose lock file another port holds.
    QVERIFY2(rig.sink.waitFor(1, 10000), rig.reader.isReading() ? "the port opened" : "no job");
    QTest::qWait(600);
    QCOMPARE(rig.sink.count(), 1);
    QCOMPARE(rig.sink.entries().at(0).result, 349);
    const CJob &job = rig.sink.last();
    // Why, in the system's words: the lock is this program's own here.
    QCOMPARE(QString::fromStdString(job.errorText),
             busy ? "failed to open port " + dev.slavePath() + ": in use in this program already"
                  : "failed to open port " + missing + ": No such file or directory");
    QCOMPARE(job.jobName, std::string("TEST_JOB"));
    QCOMPARE(job.getResultCount(), 0);
    QVERIFY(!rig.reader.isReading());
    QVERIFY(!rig.reader.isRunning());
    QVERIFY(rig.handler.calls().isEmpty());
}

void TestQExtRunnerThread::stopEndsGaplessStreamSoon()
{
    PtyDevice dev;
    PtyResponder device(dev);
    device.play(QByteArray(997, 'x') + "\r", 64, 0);
    device.start();
    RecordingHandler handler(dev.slavePath());
    QExtRunnerThread reader("TEST_JOB", &handler);
    QTRY_VERIFY(handler.calls().size() >= 3);
    QElapsedTimer t;
    t.start();
    reader.stop();
    QVERIFY2(t.elapsed() < 1000, qPrintable(QString::number(t.elapsed())));
    QVERIFY(!reader.isReading());
    device.stop();
    for (const QByteArray &block : handler.calls())
        QVERIFY(block.size() <= QExtRunnerThread::MaxBlock);
}

void TestQExtRunnerThread::stopWithHalfLinePendingEmitsNothing()
{
    Rig rig(true);
    QVERIFY(rig.opened());
    rig.dev.write("\r12.5");
    QTest::qWait(300);
    rig.reader.stop();
    QTest::qWait(50);
    QCoreApplication::processEvents();
    QCOMPARE(rig.sink.count(), 0);
    QVERIFY(rig.handler.calls().isEmpty());
}

void TestQExtRunnerThread::unplugGivesPortLostOnce()
{
    Rig rig(false);
    QVERIFY(rig.opened());
    rig.dev.write("abc");
    QVERIFY(rig.sink.waitFor(1, 10000));
    rig.dev.unplug();
    QVERIFY(rig.sink.waitFor(2, 10000));
    QTRY_VERIFY(!rig.reader.isReading());
    QTest::qWait(600);
    QCOMPARE(rig.sink.count(), 2);
    QCOMPARE(rig.sink.entries().at(1).result, 349);
    QCOMPARE(rig.sink.last().errorText, std::string("port lost: the line hung up"));
    QCOMPARE(rig.sink.last().jobName, std::string("TEST_JOB"));
    QCOMPARE(rig.sink.last().getResultCount(), 0);
    QElapsedTimer t;
    t.start();
    rig.reader.stop();
    QVERIFY(t.elapsed() < 500);
}

void TestQExtRunnerThread::closingPlotWindowFreesPort()
{
    WorkDir wd;
    PlotWindowFeed::startReceiver();
    PtyDevice dev;
    RecordingHandler handler(dev.slavePath());
    ExtSourceManager *manager = ExtSourceManager::instance();
    CJob job("AEM", "AEM_AFR");
    auto *window = new PlotWindow(job);
    connect(window, &PlotWindow::closed, manager, &ExtSourceManager::onCloseEvent);
    window->show();
    QExtRunnerThread *reader = manager->createExtRunner(job, &handler, window, true);
    QCOMPARE(manager->extRunner("AEM_AFR"), reader);
    QTRY_VERIFY(reader->isReading());
    QPointer<QExtRunnerThread> watch(reader);
    window->close();
    QVERIFY(!watch);
    QCOMPARE(manager->extRunner("AEM_AFR"), nullptr);
    // The port is free again.
    QSerialPort port(dev.slavePath());
    QVERIFY(port.open(QIODevice::ReadWrite));
    // A window nobody filed: only logged.
    auto *other = new PlotWindow(CJob("X", "OTHER"));
    connect(other, &PlotWindow::closed, manager, &ExtSourceManager::onCloseEvent);
    other->close();
    delete other;
    delete window;
    ExtSourceManager::destroy();
}

int main(int argc, char **argv)
{
    qputenv("QT_NO_GLIB", "1");
    QApplication app(argc, argv);
    TestQExtRunnerThread test;
    QTEST_SET_MAIN_SOURCE_PATH
    int rc = QTest::qExec(&test, argc, argv);
    PlotWindowFeed::stopReceiver();
    return rc;
}
#include "tst_qextrunnerthread.moc"
