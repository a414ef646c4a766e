// The LM-2 on USB through the driver stand-in: the control pairs at open
// and close, queries written, the ring of 511 bytes, one user at a time
// (in this process and in another; a process that dies leaves the device
// free), a reader that cannot open, a bounded close; and the data handler
// reading the demo's scripted chain and a chain on a pseudo-terminal
// passed through as a character device, and that device pulled.
#include "extsourcemanager.h"
#include "globaljobreceiver.h"
#include "innovatedatahandler.h"
#include "innovatestandin.h"
#include "innovatetestfiles.h"
#include "jobsink.h"
#include "logcapture.h"
#include "lm2usb.h"
#include "mtschain.h"
#include "plotwindowfeed.h"
#include "privatetemp.h"
#include "ptydevice.h"
#include "resultlookup.h"
#include "workdir.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QtTest>
#include <unistd.h>

using namespace InnovateTestFiles;

namespace {
const char *const QuietChain = R"({"lm2": {"ce": "A285 014E 014C 4D2D 3200 0000", "f3": "A285 0173 1120 4C4D 2D32 0387"}})";


// The control calls logged, as "code:index".
QStringList controlPairs()
{
    QStringList calls;
    for (const InnovateStandIn::CallRecord &r : InnovateStandIn::callLog()) {
        if (r.call != "lm2drvControl")
            continue;
        const QStringList args = r.arguments.split(", ");
        if (args.value(1) == "0x22203d" || args.value(1) == "0x222035")
            calls << args.value(1).mid(2) + ":" + args.value(2);
    }
    return calls;
}

QStringList expectedPairs()
{
    QStringList pairs;
    for (int i = 0; i < 4; ++i)
        pairs << QString("22203d:%1").arg(i) << QString("222035:%1").arg(i);
    return pairs;
}

QByteArray readAll()
{
    QByteArray bytes;
    while (lm2HasData())
        bytes.append(char(lm2ReadByte()));
    return bytes;
}

// Reads what comes within a second until there are n bytes.
QByteArray readBytes(int n)
{
    QByteArray bytes;
    QElapsedTimer t;
    t.start();
    while (bytes.size() < n && t.elapsed() < 1000) {
        bytes += readAll();
        QTest::qWait(5);
    }
    return bytes;
}

// Another process opening the device: "open" closes again, "crash" ends
// without closing. Its exit code is lm2Open's result.
int openInOtherProcess(const QString &mode)
{
    QProcess child;
    child.setProgram(QCoreApplication::applicationFilePath());
    child.setArguments({"--child", mode});
    child.start();
    if (!child.waitForFinished(10000))
        return -1;
    return child.exitStatus() == QProcess::NormalExit ? child.exitCode() : -2;
}
} // namespace

class TestLm2Usb : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanup();
    void openWriteClose();
    void ringKeepsFirst510AndLast();
    void oneUserAtATime();
    void readerThatCannotOpen();
    void closeIsBoundedOnSilentDevice();
    void demoChainGivesNamedJobs();
    void pseudoTerminalPassedThrough();
    void pulledDeviceReportedOnceAndNotPolled();
};

void TestLm2Usb::initTestCase()
{
    PlotWindowFeed::startReceiver();
}

void TestLm2Usb::cleanup()
{
    lm2Close();
    InnovateStandIn::reset();
}

void TestLm2Usb::openWriteClose()
{
    lm2Close();  // not open: nothing
    QVERIFY(InnovateStandIn::callLog().isEmpty());
    QCOMPARE(lm2Open(), 0);  // no script, no device
    QVERIFY(loadStandIn(QuietChain));
    QCOMPARE(lm2Open(), 1);
    QCOMPARE(InnovateStandIn::lm2OpenHandles(), 2);  // control and reader
    QCOMPARE(controlPairs(), expectedPairs());
    const unsigned char ce = 0xCE;
    lm2Write(1, &ce);
    QCOMPARE(InnovateStandIn::lm2Written(), QByteArray("\xce"));
    QTRY_COMPARE(InnovateStandIn::lm2Pending(), 0);
    QCOMPARE(readBytes(12), QByteArray::fromHex("A285014E014C4D2D32000000"));
    QVERIFY(!lm2HasData());
    lm2Close();
    QCOMPARE(controlPairs(), expectedPairs() + expectedPairs());
    QCOMPARE(InnovateStandIn::lm2OpenHandles(), 0);
    lm2Write(1, &ce);  // closed: nothing
    QCOMPARE(InnovateStandIn::lm2Written(), QByteArray("\xce"));
}

void TestLm2Usb::ringKeepsFirst510AndLast()
{
    QVERIFY(loadStandIn(QuietChain));
    QCOMPARE(lm2Open(), 1);
    QByteArray sent;
    for (int i = 0; i < 600; ++i)
        sent.append(char(i % 251));
    InnovateStandIn::feedLm2(sent);
    QTRY_COMPARE(InnovateStandIn::lm2Pending(), 0);
    QTest::qWait(50);
    const QByteArray kept = readAll();
    QCOMPARE(kept.size(), 511);
    QCOMPARE(kept, sent.left(510) + sent.right(1));
    // Read empty, the ring takes bytes again.
    InnovateStandIn::feedLm2("\x01\x02");
    QCOMPARE(readBytes(2), QByteArray("\x01\x02"));
}

void TestLm2Usb::oneUserAtATime()
{
    QVERIFY(loadStandIn(QuietChain));
    QCOMPARE(lm2Open(), 1);
    QCOMPARE(lm2Open(), 0);
    QCOMPARE(openInOtherProcess("open"), 0);
    lm2Close();
    QCOMPARE(openInOtherProcess("open"), 1);
    // A process that dies with the device open leaves it free.
    QCOMPARE(openInOtherProcess("crash"), 1);
    QCOMPARE(lm2Open(), 1);
}

void TestLm2Usb::readerThatCannotOpen()
{
    // A device that takes one handle: the reader's own open fails.
    QVERIFY(loadStandIn(R"({"lm2": {"handles": 1}})"));
    QCOMPARE(lm2Open(), 0);
    QCOMPARE(InnovateStandIn::lm2OpenHandles(), 0);
    QCOMPARE(controlPairs(), expectedPairs() + expectedPairs());
    QVERIFY(loadStandIn(QuietChain));
    QCOMPARE(lm2Open(), 1);
}

void TestLm2Usb::closeIsBoundedOnSilentDevice()
{
    QVERIFY(loadStandIn(QuietChain));
    QCOMPARE(lm2Open(), 1);
    QTest::qWait(150);  // the reader waits in a read
    QElapsedTimer t;
    t.start();
    lm2Close();
    QVERIFY2(t.elapsed() < 300, qPrintable(QString::number(t.elapsed())));
    QCOMPARE(InnovateStandIn::lm2OpenHandles(), 0);
}

void TestLm2Usb::demoChainGivesNamedJobs()
{
    WorkDir wd;
    installDemo(wd);
    wd.write("innovate/innovate.json", demoFile("innovate/innovate.json"));
    JobSink sink;
    PlotWindowFeed::connect(&sink);
    InnovateDataHandler handler("INNOVATE_USB");
    QVERIFY(ExtSourceManager::connectToListener(&handler, GlobalJobReceiver::instance()));
    handler.setUSB(true);
    handler.start();
    QTRY_VERIFY_WITH_TIMEOUT(sink.count() > 0 && sink.last().getResultCount() == 5, 20000);
    const CJob job = sink.last();
    QCOMPARE(job.jobName, std::string("INNOVATE_USB"));
    const double afr = findResult(job, "LM-2_1")->realValue;
    QVERIFY2(afr > 12 && afr < 17, qPrintable(QString::number(afr)));
    QCOMPARE(findResult(job, "AUX4_3")->unit, std::string("RPM"));
    QCOMPARE(findResult(job, "AUX4_2")->displayName, std::string("AUX4_PRESSURE_2"));
    QCOMPARE(InnovateStandIn::lm2Written(), QByteArray::fromHex("cef3"));
    // The stream goes on after the first packet.
    const int before = sink.count();
    QTRY_VERIFY2_WITH_TIMEOUT(sink.count() - before >= 4, qPrintable(QString::number(sink.count() - before)), 20000);
    handler.stop();
    QCOMPARE(InnovateStandIn::lm2OpenHandles(), 0);
}

void TestLm2Usb::pseudoTerminalPassedThrough()
{
    WorkDir wd;
    installDemo(wd);
    PtyDevice dev;
    MtsChain chain(dev);
    playDemoChain(chain);
    chain.mergeWrites(2);
    chain.start();
    wd.write("innovate/innovate.json", QString(R"({"lm2": {"device": "%1"}})").arg(dev.slavePath()).toUtf8());
    JobSink sink;
    PlotWindowFeed::connect(&sink);
    InnovateDataHandler handler("INNOVATE_USB");
    QVERIFY(ExtSourceManager::connectToListener(&handler, GlobalJobReceiver::instance()));
    handler.setUSB(true);
    handler.start();
    QTRY_VERIFY_WITH_TIMEOUT(sink.count() > 0 && sink.last().getResultCount() == 5, 20000);
    QCOMPARE(chain.queries(0xCE), 1);
    QCOMPARE(chain.queries(0xF3), 1);
    QCOMPARE(float(findResult(sink.last(), "LM-2_1")->realValue), 14.7f);
    handler.stop();
    chain.stop();
}

void TestLm2Usb::pulledDeviceReportedOnceAndNotPolled()
{
    WorkDir wd;
    installDemo(wd);
    PtyDevice dev;
    MtsChain chain(dev);
    playDemoChain(chain);
    chain.start();
    wd.write("innovate/innovate.json", QString(R"({"lm2": {"device": "%1"}})").arg(dev.slavePath()).toUtf8());
    JobSink sink;
    PlotWindowFeed::connect(&sink);
    LogCapture log("innovatestream");
    InnovateDataHandler handler("INNOVATE_USB");
    QVERIFY(ExtSourceManager::connectToListener(&handler, GlobalJobReceiver::instance()));
    handler.setUSB(true);
    handler.start();
    QTRY_VERIFY_WITH_TIMEOUT(sink.count() > 0 && sink.last().getResultCount() == 5, 20000);
    chain.stop();
    dev.unplug();
    QTRY_COMPARE_WITH_TIMEOUT(sink.count(349), 1, 20000);
    QCOMPARE(sink.last().errorText, std::string("port lost: the LM-2 driver delivers no more"));
    QCOMPARE(sink.last().jobName, std::string("INNOVATE_USB"));
    QVERIFY(!handler.streamHandler().isOpen());
    // The device is let go and no longer polled.
    QCOMPARE(InnovateStandIn::lm2OpenHandles(), 0);
    const int polls = log.count("usbReadEvent");
    QTest::qWait(300);
    QCOMPARE(log.count("usbReadEvent"), polls);
    QCOMPARE(sink.count(349), 1);
    QCOMPARE(log.count("port lost: LM-2"), 1);
}

int main(int argc, char **argv)
{
    // The other process shares the test's temporary folder.
    if (argc == 3 && QByteArray(argv[1]) == "--child") {
        QCoreApplication app(argc, argv);
        InnovateStandIn::loadScript(QuietChain);
        const int opened = lm2Open();
        if (QByteArray(argv[2]) == "crash")
            _exit(opened);
        lm2Close();
        return opened;
    }
    PrivateTemp temp;
    QCoreApplication app(argc, argv);
    TestLm2Usb test;
    QTEST_SET_MAIN_SOURCE_PATH
    const int rc = QTest::qExec(&test, argc, argv);
    PlotWindowFeed::stopReceiver();
    return rc;
}
#include "tst_lm2usb.moc"
