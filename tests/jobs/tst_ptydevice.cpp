// The pseudo-terminal ECU that the serial tests stand on: what the program
// writes on the slave side arrives on the master side, and the scripted
// adapter answers with echo and reply as told.
#include "ptybridge.h"
#include "ptydevice.h"
#include "ptyresponder.h"
#include "scriptedecu.h"

#include <QElapsedTimer>
#include <QSerialPort>
#include <QtTest>
#include <atomic>
#include <fcntl.h>
#include <unistd.h>

class TestPtyDevice : public QObject
{
    Q_OBJECT
private slots:
    void bytesBothWays();
    void lineSettingsReadBack();
    void echoAndReply_data();
    void echoAndReply();
    void chunksArriveApart();
    void unknownRequestGetsEchoOnly();
    void answersUsedInTurn();
    void unplugFailsTheProgramSide();
    void responderAnswersAndStreams();
    void bridgeJoinsTwoPorts();
    void bridgeHoldsBackForASlowReader();
    void bridgeCutFailsBothSides();

private:
    static QByteArray readFor(QSerialPort &port, int ms);
    static QByteArray readUntil(QSerialPort &port, int n, int ms);
};

QByteArray TestPtyDevice::readFor(QSerialPort &port, int ms)
{
    QByteArray got;
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms) {
        if (port.waitForReadyRead(20))
            got += port.readAll();
    }
    return got + port.readAll();
}

// At least n bytes, however slowly a loaded machine delivers them (or what
// came before ms passed).
QByteArray TestPtyDevice::readUntil(QSerialPort &port, int n, int ms)
{
    QByteArray got = port.readAll();
    QElapsedTimer t;
    t.start();
    while (got.size() < n && t.elapsed() < ms) {
        if (port.waitForReadyRead(20))
            got += port.readAll();
    }
    return got;
}

void TestPtyDevice::bytesBothWays()
{
    PtyDevice dev;
    QVERIFY(dev.isOpen());
    QVERIFY(dev.slavePath().startsWith("/dev/pts/"));
    QSerialPort port(dev.slavePath());
    QVERIFY(port.open(QIODevice::ReadWrite));
    port.write("\x01\x02\x03");
    QVERIFY(port.waitForBytesWritten(1000));
    QCOMPARE(dev.readExactly(3, 2000), QByteArray("\x01\x02\x03"));
    QVERIFY(dev.write(QByteArray("\x00\xff", 2)));
    QTRY_COMPARE_WITH_TIMEOUT((port.waitForReadyRead(10), port.bytesAvailable()), qint64(2), 2000);
    QCOMPARE(port.readAll(), QByteArray("\x00\xff", 2));
    QCOMPARE(dev.read(30), QByteArray());
}

void TestPtyDevice::lineSettingsReadBack()
{
    PtyDevice dev;
    QSerialPort port(dev.slavePath());
    QVERIFY(port.open(QIODevice::ReadWrite));
    QVERIFY(port.setBaudRate(115200));
    QCOMPARE(dev.baudRate(), 115200);
    QVERIFY(port.setBaudRate(9600));
    QVERIFY(port.setDataBits(QSerialPort::Data8));
    QCOMPARE(dev.baudRate(), 9600);
    QCOMPARE(dev.dataBits(), 8);
}

void TestPtyDevice::echoAndReply_data()
{
    QTest::addColumn<int>("echoMode");
    QTest::addColumn<QByteArray>("expected");
    const QByteArray req = ScriptedEcu::hex("12050B031F");
    const QByteArray reply = ScriptedEcu::hex("1206A00102B7");
    QByteArray corrupt = req;
    corrupt[0] = char(0x12 ^ 0x40);
    QTest::newRow("whole") << int(EcuAnswer::Echo::Whole) << req + reply;
    QTest::newRow("split") << int(EcuAnswer::Echo::Split) << req + reply;
    QTest::newRow("corrupt") << int(EcuAnswer::Echo::Corrupt) << corrupt + reply;
    QTest::newRow("none") << int(EcuAnswer::Echo::None) << reply;
}

void TestPtyDevice::echoAndReply()
{
    QFETCH(int, echoMode);
    QFETCH(QByteArray, expected);
    PtyDevice dev;
    ScriptedEcu ecu(dev);
    ecu.on(ScriptedEcu::hex("12050B03"),
           EcuAnswer::reply(ScriptedEcu::hex("1206A00102B7")).echo(EcuAnswer::Echo(echoMode)));
    ecu.start();
    QSerialPort port(dev.slavePath());
    QVERIFY(port.open(QIODevice::ReadWrite));
    port.write(ScriptedEcu::hex("12050B031F"));
    QVERIFY(port.waitForBytesWritten(1000));
    QVERIFY(ecu.waitForRequests(1, 2000));
    // All of it, then nothing more for a while.
    QByteArray got = readUntil(port, expected.size(), 10000);
    got += readFor(port, 300);
    QCOMPARE(got, expected);
    QCOMPARE(ecu.badRequests(), 0);
    QCOMPARE(ecu.requests(), QList<QByteArray>{ScriptedEcu::hex("12050B031F")});
}

void TestPtyDevice::chunksArriveApart()
{
    PtyDevice dev;
    ScriptedEcu ecu(dev, ScriptedEcu::Check::Sum);
    const QByteArray reply = ScriptedEcu::hex("8312F161A10000");
    ecu.on(ScriptedEcu::hex("8212F321A1"), EcuAnswer::reply(reply).inChunks(3, 300).thenJunk("zz", 10));
    ecu.start();
    QSerialPort port(dev.slavePath());
    QVERIFY(port.open(QIODevice::ReadWrite));
    port.write(ScriptedEcu::withCheck(ScriptedEcu::hex("8212F321A1"), ScriptedEcu::Check::Sum));
    QVERIFY(port.waitForBytesWritten(1000));
    // Echo first, then the reply's first piece; the rest is still to come.
    QByteArray got;
    QElapsedTimer t;
    t.start();
    while (got.size() < 6 + 2 && t.elapsed() < 2000)
        if (port.waitForReadyRead(20))
            got += port.readAll();
    QVERIFY(got.size() < 6 + reply.size());
    // The rest, however slowly a loaded machine delivers it.
    const QByteArray expected = ScriptedEcu::hex("8212F321A149") + reply + "zz";
    t.restart();
    while (got.size() < expected.size() && t.elapsed() < 5000)
        if (port.waitForReadyRead(20))
            got += port.readAll();
    got += readFor(port, 50);
    QCOMPARE(got, expected);
}

void TestPtyDevice::unknownRequestGetsEchoOnly()
{
    PtyDevice dev;
    ScriptedEcu ecu(dev);
    ecu.on(ScriptedEcu::hex("12050B03"), EcuAnswer::reply(ScriptedEcu::hex("1206A00102B7")));
    ecu.start();
    QSerialPort port(dev.slavePath());
    QVERIFY(port.open(QIODevice::ReadWrite));
    // Right telegram, wrong check byte: the adapter echoes, the ECU ignores it.
    port.write(ScriptedEcu::hex("12050B0320"));
    QVERIFY(port.waitForBytesWritten(1000));
    QVERIFY(ecu.waitForRequests(1, 2000));
    QByteArray got = readUntil(port, 5, 10000);
    got += readFor(port, 200);
    QCOMPARE(got, ScriptedEcu::hex("12050B0320"));
    QCOMPARE(ecu.badRequests(), 1);
}

void TestPtyDevice::answersUsedInTurn()
{
    PtyDevice dev;
    ScriptedEcu ecu(dev);
    ecu.on(ScriptedEcu::hex("01"), QList<EcuAnswer>{EcuAnswer::reply("A"), EcuAnswer::reply("B")});
    ecu.start();
    QSerialPort port(dev.slavePath());
    QVERIFY(port.open(QIODevice::ReadWrite));
    QByteArray got;
    for (int i = 0; i < 3; ++i) {
        port.write(ScriptedEcu::hex("0101"));
        QVERIFY(port.waitForBytesWritten(1000));
        QVERIFY(ecu.waitForRequests(i + 1, 2000));
        got += readUntil(port, 3, 10000);
        got += readFor(port, 100);
    }
    QCOMPARE(got, QByteArray("\x01\x01" "A" "\x01\x01" "B" "\x01\x01" "B"));
}

void TestPtyDevice::unplugFailsTheProgramSide()
{
    PtyDevice dev;
    const QString path = dev.slavePath();
    // The program has the line open when the cable goes.
    const int program = ::open(path.toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    QVERIFY(program >= 0);
    dev.unplug();
    char byte;
    QVERIFY(::read(program, &byte, 1) <= 0);
    QVERIFY(::write(program, "x", 1) < 0);
    ::close(program);
    QSerialPort port(path);
    QVERIFY(!port.open(QIODevice::ReadWrite));
    QCOMPARE(dev.read(10), QByteArray());
    QVERIFY(!dev.write("x"));
}

void TestPtyDevice::responderAnswersAndStreams()
{
    PtyDevice dev;
    PtyResponder device(dev);
    device.onReceive([](const QByteArray &got, PtyDevice &d) {
        if (got.contains("V\r"))
            d.write("V1013\r");
    });
    std::atomic<int> ticks{0};
    device.every(30, [&ticks](PtyDevice &d) {
        d.write("t123\r");
        ++ticks;
    });
    device.start();
    QSerialPort port(dev.slavePath());
    QVERIFY(port.open(QIODevice::ReadWrite));
    port.write("V\r");
    QVERIFY(port.waitForBytesWritten(1000));
    QVERIFY(device.waitForReceived(2, 2000));
    QByteArray got;
    QElapsedTimer t;
    t.start();
    while ((!got.contains("V1013\r") || got.count("t123\r") < 3) && t.elapsed() < 3000)
        if (port.waitForReadyRead(20))
            got += port.readAll();
    QVERIFY(got.contains("V1013\r"));
    QVERIFY(got.count("t123\r") >= 3);
    device.stop();
    QCOMPARE(device.received(), QByteArray("V\r"));
    QVERIFY(ticks.load() >= 3);
}

void TestPtyDevice::bridgeJoinsTwoPorts()
{
    PtyDevice a;
    PtyDevice b;
    PtyBridge cable(a, b);
    QSerialPort left(a.slavePath());
    QSerialPort right(b.slavePath());
    QVERIFY(left.open(QIODevice::ReadWrite));
    QVERIFY(right.open(QIODevice::ReadWrite));
    // Every byte value, both ways at once, in order.
    QByteArray all;
    for (int i = 0; i < 4096; ++i)
        all += char(i & 0xFF);
    left.write(all);
    right.write(all + "back");
    QByteArray gotRight;
    QByteArray gotLeft;
    QElapsedTimer t;
    t.start();
    while ((gotRight.size() < all.size() || gotLeft.size() < all.size() + 4) && t.elapsed() < 5000) {
        // A wait for written bytes also takes in what arrived.
        left.waitForBytesWritten(5);
        right.waitForBytesWritten(5);
        right.waitForReadyRead(5);
        left.waitForReadyRead(5);
        gotRight += right.readAll();
        gotLeft += left.readAll();
    }
    QCOMPARE(gotRight, all);
    QCOMPARE(gotLeft, all + "back");
    QVERIFY(cable.waitForCarried(all.size(), all.size() + 4, 1000));
    QCOMPARE(cable.aToB(), all);
    QCOMPARE(cable.bToA(), all + "back");
}

void TestPtyDevice::bridgeHoldsBackForASlowReader()
{
    PtyDevice a;
    PtyDevice b;
    PtyBridge cable(a, b);
    QSerialPort left(a.slavePath());
    QVERIFY(left.open(QIODevice::ReadWrite));
    // Nobody reads side b for a while: nothing is lost, the rest waits.
    QByteArray big;
    for (int i = 0; i < 200000; ++i)
        big += char('a' + i % 26);
    left.write(big);
    QElapsedTimer t;
    t.start();
    while (left.bytesToWrite() > 0 && t.elapsed() < 300)
        left.waitForBytesWritten(10);
    QSerialPort right(b.slavePath());
    QVERIFY(right.open(QIODevice::ReadWrite));
    QByteArray got;
    t.restart();
    while (got.size() < big.size() && t.elapsed() < 10000) {
        left.waitForBytesWritten(1);
        right.waitForReadyRead(10);
        got += right.readAll();
    }
    QCOMPARE(got.size(), big.size());
    QVERIFY(got == big);
}

void TestPtyDevice::bridgeCutFailsBothSides()
{
    PtyDevice a;
    PtyDevice b;
    PtyBridge cable(a, b);
    const QString left = a.slavePath();
    cable.cut();
    QVERIFY(!a.isOpen() && !b.isOpen());
    QSerialPort port(left);
    QVERIFY(!port.open(QIODevice::ReadWrite));
}

QTEST_GUILESS_MAIN(TestPtyDevice)
#include "tst_ptydevice.moc"
