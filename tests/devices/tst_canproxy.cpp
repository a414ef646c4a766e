// The EDIABAS-to-CAN bridge between two pseudo-terminals: the test plays
// EDIABAS on one, a scripted USBtin adapter with ECUs behind it plays the
// other. Set-up, requests as frames, answers as telegrams, flow control,
// what EDIABAS writes that is no telegram (and how briefly the log tells
// it), spoiled answers, two ECUs answering at once, missing ports and a
// second start; and end to end, a runner job through the EDIABAS
// stand-in's serial side, a virtual port pair and the bridge.
#include "canproxy.h"
#include "cantransport.h"
#include "cjob.h"
#include "crunner.h"
#include "ediabasfixture.h"
#include "jobqueue.h"
#include "logcapture.h"
#include "ptybridge.h"
#include "ptydevice.h"
#include "slcanadapter.h"
#include "workdir.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QSignalSpy>
#include <QtTest>
#include <algorithm>

namespace {
QByteArray hex(const char *text)
{
    return QByteArray::fromHex(text);
}

QByteArray withSum(const QByteArray &bytes)
{
    return bytes + char(CANTransport::sum(bytes));
}

QByteArray counting(int n)
{
    QByteArray b;
    for (int i = 0; i < n; ++i)
        b.append(char(0x40 + i));
    return b;
}

struct Rig
{
    Rig()
        : adapter(usb)
    {
        adapter.start();
        proxy.setEdiabasPort(ed.slavePath());
        proxy.setUsbPort(usb.slavePath());
    }
    bool start()
    {
        const int ed0 = edConn.count(), usb0 = transConn.count();
        proxy.start();
        QElapsedTimer t;
        t.start();
        while ((edConn.count() == ed0 || transConn.count() == usb0) && t.elapsed() < 5000)
            QTest::qWait(5);
        // The set-up has reached the adapter.
        return edConn.count() > ed0 && transConn.count() > usb0 && adapter.waitForCommand("O", 2000);
    }
    // EDIABAS writes a telegram and reads its echo.
    QByteArray send(const QByteArray &telegram)
    {
        ed.write(telegram);
        return ed.readExactly(telegram.size(), 2000);
    }

    WorkDir wd;
    PtyDevice ed;
    PtyDevice usb;
    SlcanAdapter adapter;
    CANProxy proxy;
    QSignalSpy edConn{&proxy, &CANProxy::edConn};
    QSignalSpy transConn{&proxy, &CANProxy::transConn};
    QSignalSpy edErr{&proxy, &CANProxy::edErr};
    QSignalSpy transErr{&proxy, &CANProxy::transErr};
};
} // namespace

class TestCANProxy : public QObject
{
    Q_OBJECT
private slots:
    void initialisesAdapter();
    void requestsTravelAsFrames_data();
    void requestsTravelAsFrames();
    void singleFrameAnswer();
    void multiFrameAnswerGetsOneFlowControl();
    void flowControlAddressedToTheEcu();
    void dropsWhatIsNoTelegram();
    void junkIsLoggedBriefly();
    void twoEcusAnsweringAtOnce_data();
    void twoEcusAnsweringAtOnce();
    void spoiledAnswerForwardsNothing_data();
    void spoiledAnswerForwardsNothing();
    void missingPorts();
    void startTwiceReconnects();
    void answersArriveQuickly();
    void runnerJobEndToEnd();
};

void TestCANProxy::initialisesAdapter()
{
    Rig rig;
    QVERIFY(rig.start());
    QCOMPARE(rig.adapter.commands(), (QList<QByteArray>{"C", "MC2400000", "m3DBF0000", "W2D00", "S6", "O"}));
    QVERIFY(rig.adapter.received().startsWith("\rC\rMC2400000\r"));
    QCOMPARE(rig.usb.baudRate(), 921600);
    QCOMPARE(rig.ed.baudRate(), 921600);
    QVERIFY(rig.edErr.isEmpty() && rig.transErr.isEmpty());
    // Leaving closes the channel.
    rig.proxy.stop();
    // The device reads the close command in its own thread.
    QTRY_VERIFY_WITH_TIMEOUT(!rig.adapter.channelOpen(), 10000);
    QVERIFY(rig.adapter.received().endsWith("\rC\r"));
}

void TestCANProxy::requestsTravelAsFrames_data()
{
    QTest::addColumn<QByteArray>("telegram");
    QTest::addColumn<QByteArray>("frames");  // what the adapter gets after its set-up
    QTest::addColumn<QByteArray>("payload"); // the request the ECU sees

    QTest::newRow("one frame") << hex("8212f11a801f") << QByteArray("t6F1412021a80\r") << hex("1a80");
    // 0x86 is the running sum of 83 12 F1: the request stays whole.
    const QByteArray sumInside = withSum(hex("8312f1860102"));
    QTest::newRow("byte equal to the running sum")
        << sumInside << QByteArray("t6F151203860102\r") << hex("860102");
    quint8 x = 0;
    for (char c : hex("8212f11a80"))
        x ^= quint8(c);
    QTest::newRow("xor check byte") << hex("8212f11a80") + char(x) << QByteArray("t6F1412021a80\r") << hex("1a80");
    QTest::newRow("first and consecutive frames")
        << withSum(hex("8812f1") + counting(8)) << QByteArray("t6F181210084041424344\rt6F151221454647\r")
        << counting(8);
}

void TestCANProxy::requestsTravelAsFrames()
{
    QFETCH(QByteArray, telegram);
    QFETCH(QByteArray, frames);
    QFETCH(QByteArray, payload);
    Rig rig;
    QVERIFY(rig.start());
    const int before = rig.adapter.received().size();
    QCOMPARE(rig.send(telegram), telegram);
    QVERIFY(rig.adapter.waitForRequests(1, 2000));
    QCOMPARE(rig.adapter.requests().at(0).ecu, quint8(0x12));
    QCOMPARE(rig.adapter.requests().at(0).payload, payload);
    QCOMPARE(rig.adapter.received().mid(before), frames);
    rig.proxy.stop();
}

void TestCANProxy::singleFrameAnswer()
{
    Rig rig;
    rig.adapter.answer(0x12, hex("5a800102"));
    QVERIFY(rig.start());
    rig.send(withSum(hex("8312f11a8000")));
    QCOMPARE(rig.ed.readExactly(8, 2000), hex("84f1125a80010264"));
    QVERIFY(rig.adapter.flowControls().isEmpty());
    QVERIFY(!rig.adapter.received().contains("t6F18"));
    rig.proxy.stop();
}

void TestCANProxy::multiFrameAnswerGetsOneFlowControl()
{
    Rig rig;
    const QByteArray sixty = counting(60);
    rig.adapter.answer(0x12, sixty);
    rig.adapter.answer(0x12, hex("5a80"));
    QVERIFY(rig.start());
    rig.send(hex("8212f11a801f"));
    const QByteArray answer = rig.ed.readExactly(64, 2000);
    QCOMPARE(answer, withSum(hex("bcf112") + sixty));
    QCOMPARE(rig.adapter.flowControls(), (QList<QByteArray>{"t6F181230000200000000"}));
    // The next answer: whole, and no flow control for a single frame.
    rig.send(hex("8212f11a801f"));
    QCOMPARE(rig.ed.readExactly(6, 2000), withSum(hex("82f1125a80")));
    QCOMPARE(rig.adapter.flowControls().size(), 1);
    rig.proxy.stop();
}

void TestCANProxy::flowControlAddressedToTheEcu()
{
    Rig rig;
    rig.adapter.answer(0x40, counting(20));
    QVERIFY(rig.start());
    rig.send(withSum(hex("8240f11a80")));
    QCOMPARE(rig.ed.readExactly(24, 2000), withSum(hex("94f140") + counting(20)));
    QCOMPARE(rig.adapter.flowControls(), (QList<QByteArray>{"t6F184030000200000000"}));
    rig.proxy.stop();
}

void TestCANProxy::dropsWhatIsNoTelegram()
{
    Rig rig;
    QVERIFY(rig.start());
    // A header of 0xA0 and a lone 0x00: neither echoed nor forwarded.
    rig.ed.write(hex("a012f11a80") + char(CANTransport::sum(hex("a012f11a80"))));
    rig.ed.write(hex("00"));
    // A partial telegram that stays alone for more than 100 ms.
    rig.ed.write(hex("8312f1"));
    QTest::qWait(250);
    const QByteArray good = hex("8212f11a801f");
    rig.ed.write(good);
    QCOMPARE(rig.ed.readExactly(good.size(), 2000), good);
    QVERIFY(rig.adapter.waitForRequests(1, 2000));
    QTest::qWait(100);
    QCOMPARE(rig.adapter.requests().size(), 1);
    QCOMPARE(rig.adapter.requests().at(0).payload, hex("1a80"));
    QVERIFY(rig.ed.drain().isEmpty());
    rig.proxy.stop();
}

void TestCANProxy::junkIsLoggedBriefly()
{
    LogCapture log("proxy");
    Rig rig;
    QVERIFY(rig.start());
    // A quarter of a megabyte that starts no telegram, then a telegram.
    const QByteArray junk(256 * 1024, '\x5a');
    rig.ed.write(junk);
    const QByteArray good = hex("8212f11a801f");
    rig.ed.write(good);
    QCOMPARE(rig.ed.readExactly(good.size(), 5000), good);
    rig.proxy.stop();
    int dropped = 0;
    for (const QString &line : log.lines()) {
        if (!line.contains("ed: dropped"))
            continue;
        ++dropped;
        QVERIFY2(line.size() < 200, qPrintable(line.left(200)));
    }
    QVERIFY(dropped > 0);
}

void TestCANProxy::twoEcusAnsweringAtOnce_data()
{
    // The first and consecutive frame of 0x12's answer (a) and of 0x40's
    // (b), in every order that keeps each ECU's own frames in order.
    QTest::addColumn<QString>("order");
    for (const char *order : {"aabb", "abab", "abba", "baab", "baba", "bbaa"})
        QTest::newRow(order) << QString(order);
}

void TestCANProxy::twoEcusAnsweringAtOnce()
{
    QFETCH(QString, order);
    Rig rig;
    QVERIFY(rig.start());
    rig.send(hex("8212f11a801f"));
    QVERIFY(rig.adapter.waitForRequests(1, 2000));
    // Both answer the one request at once; each first frame is answered
    // by a flow control to its own ECU.
    const QByteArray a = counting(11);
    const QByteArray b = hex("a1a2a3a4a5a6a7a8a9aaab");
    const QList<QByteArray> linesA = {SlcanAdapter::frameLine(0x612, hex("f1100b") + a.left(5)),
                                      SlcanAdapter::frameLine(0x612, hex("f121") + a.mid(5))};
    const QList<QByteArray> linesB = {SlcanAdapter::frameLine(0x640, hex("f1100b") + b.left(5)),
                                      SlcanAdapter::frameLine(0x640, hex("f121") + b.mid(5))};
    QByteArray lines;
    QList<QByteArray> flowControls;
    int ai = 0;
    int bi = 0;
    for (const QChar c : order) {
        const bool isA = c == 'a';
        if ((isA ? ai : bi) == 0)
            flowControls << (isA ? "t6F181230000200000000" : "t6F184030000200000000");
        lines += (isA ? linesA[ai++] : linesB[bi++]) + '\r';
    }
    rig.adapter.send(lines);
    const QByteArray wholeA = withSum(hex("8bf112") + a);
    const QByteArray wholeB = withSum(hex("8bf140") + b);
    const bool aFirst = order.lastIndexOf('a') < order.lastIndexOf('b');
    QCOMPARE(rig.ed.readExactly(30, 2000), aFirst ? wholeA + wholeB : wholeB + wholeA);
    QTRY_COMPARE(rig.adapter.flowControls(), flowControls);
    QTest::qWait(50);
    QVERIFY(rig.ed.drain().isEmpty());
    rig.proxy.stop();
}

void TestCANProxy::spoiledAnswerForwardsNothing_data()
{
    QTest::addColumn<int>("fault");
    QTest::newRow("wrong sequence") << int(SlcanAdapter::WrongSequence);
    QTest::newRow("missing CF") << int(SlcanAdapter::MissingConsecutive);
    QTest::newRow("truncated line") << int(SlcanAdapter::TruncatedLine);
    QTest::newRow("non-hex line") << int(SlcanAdapter::NonHexLine);
}

void TestCANProxy::spoiledAnswerForwardsNothing()
{
    QFETCH(int, fault);
    Rig rig;
    rig.adapter.answer(0x12, counting(30), SlcanAdapter::Fault(fault));
    rig.adapter.answer(0x12, counting(30));
    QVERIFY(rig.start());
    const QByteArray request = hex("8212f11a801f");
    rig.send(request);
    QTest::qWait(300);
    QVERIFY(rig.ed.drain().isEmpty());
    rig.send(request);
    QCOMPARE(rig.ed.readExactly(34, 2000), withSum(hex("9ef112") + counting(30)));
    rig.proxy.stop();
}

void TestCANProxy::missingPorts()
{
    WorkDir wd;
    CANProxy proxy;
    QSignalSpy edErr(&proxy, &CANProxy::edErr);
    QSignalSpy transErr(&proxy, &CANProxy::transErr);
    QSignalSpy edConn(&proxy, &CANProxy::edConn);
    proxy.setEdiabasPort(wd.filePath("ttyNoEdiabas"));
    proxy.setUsbPort(wd.filePath("ttyNoUsb"));
    proxy.start();
    QTRY_VERIFY(edErr.count() == 1 && transErr.count() == 1);
    QCOMPARE(edErr.at(0).at(0).toString(),
             "port " + wd.filePath("ttyNoEdiabas") + " not opened: No such file or directory");
    QCOMPARE(transErr.at(0).at(0).toString(),
             "port:" + wd.filePath("ttyNoUsb") + " not opened: No such file or directory");
    QCOMPARE(edConn.count(), 0);
    QElapsedTimer t;
    t.start();
    proxy.stop();
    QVERIFY(t.elapsed() < 500);
}

void TestCANProxy::startTwiceReconnects()
{
    Rig rig;
    rig.adapter.answer(0x12, hex("5a80"));
    QVERIFY(rig.start());
    QVERIFY(rig.start());
    QCOMPARE(rig.edConn.count(), 2);
    QCOMPARE(rig.transConn.count(), 2);
    QCOMPARE(rig.adapter.commands().count("MC2400000"), 2);
    QCOMPARE(rig.adapter.commands().count("O"), 2);
    QVERIFY(rig.edErr.isEmpty() && rig.transErr.isEmpty());
    rig.send(hex("8212f11a801f"));
    QCOMPARE(rig.ed.readExactly(6, 2000), withSum(hex("82f1125a80")));
    rig.proxy.stop();
    QVERIFY(!rig.proxy.isStarted());
    QVERIFY(!rig.proxy.edPort());
}

void TestCANProxy::answersArriveQuickly()
{
    Rig rig;
    QVERIFY(rig.start());
    QList<qint64> times;
    for (int i = 0; i < 5; ++i) {
        rig.adapter.answer(0x12, hex("5a80"));
        QElapsedTimer t;
        t.start();
        rig.send(hex("8212f11a801f"));
        QCOMPARE(rig.ed.readExactly(6, 2000), withSum(hex("82f1125a80")));
        times << t.elapsed();
    }
    // Request and answer cross both loops and the adapter: the best of
    // five shows what the hand-overs cost, not the load of the machine.
    std::sort(times.begin(), times.end());
    QVERIFY2(times.first() < 50, qPrintable(QString::number(times.first())));
    rig.proxy.stop();
}

void TestCANProxy::runnerJobEndToEnd()
{
    Rig rig;
    // EDIABAS's port and the bridge's, joined like a virtual port pair.
    PtyDevice ediabasSide;
    PtyBridge cable(ediabasSide, rig.ed);
    rig.wd.write("ediabas/obd.ini", "[OBD]\nPort=" + ediabasSide.slavePath().toLatin1() + "\n");
    EdiabasFixture fx;
    QVERIFY(fx.load(R"({ "ecus": { "D_MOTOR": { "jobs": { "STATUS_CAN": {
                 "telegram": "8212F11A801F", "answerResult": "ANTWORT" } } } } })"));
    rig.adapter.answer(0x12, counting(20));
    QVERIFY(rig.start());
    CRunner runner;
    CJob job("D_MOTOR", "STATUS_CAN");
    QCOMPARE(runner.runJob(job), 0);
    QCOMPARE(job.getResultCount(), 1);
    QCOMPARE(job.resultAt(0).name, std::string("ANTWORT"));
    QCOMPARE(job.resultAt(0).format, 7);
    QCOMPARE(QByteArray::fromHex(QByteArray::fromStdString(job.resultAt(0).getTextValue())),
             withSum(hex("94f112") + counting(20)));
    QCOMPARE(rig.adapter.requests().size(), 1);
    QCOMPARE(rig.adapter.flowControls().size(), 1);
    rig.proxy.stop();
    cable.stop();
    JobQueue::destroy();
}

QTEST_GUILESS_MAIN(TestCANProxy)
#include "tst_canproxy.moc"
