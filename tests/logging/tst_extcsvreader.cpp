// The raw serial reader on a pseudo-terminal: only messages of exactly 21
// bytes become jobs, their bytes as 42 lower-case hex digits; a port that
// does not open is logged with its name and reason; stop() frees the port;
// a port that goes away is closed and reported once.
#include "cputime.h"
#include "extcsvreader.h"
#include "jobmetatypes.h"
#include "logcapture.h"
#include "ptydevice.h"

#include <QSerialPort>
#include <QSignalSpy>
#include <QtTest>

namespace {
QByteArray bytesFrom(int first, int count)
{
    QByteArray bytes;
    for (int i = 0; i < count; ++i)
        bytes.append(char(first + i));
    return bytes;
}

SerialPortSettings settingsFor(const QString &name)
{
    SerialPortSettings s;
    s.name = name;
    s.baudRate = QSerialPort::Baud19200;
    s.dataBits = QSerialPort::Data8;
    s.parity = QSerialPort::NoParity;
    s.stopBits = QSerialPort::OneStop;
    s.flowControl = QSerialPort::NoFlowControl;
    return s;
}
} // namespace

class TestExtCSVReader : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { JobMetaTypes::registerAll(); }
    void messageSizes_data();
    void messageSizes();
    void readsMessagesFromPort();
    void missingPortIsLogged();
    void stopClosesPort();
    void lostPortReportedOnce();
};

void TestExtCSVReader::messageSizes_data()
{
    QTest::addColumn<int>("size");
    QTest::addColumn<bool>("emitted");
    QTest::newRow("empty") << 0 << false;
    QTest::newRow("20 bytes") << 20 << false;
    QTest::newRow("21 bytes") << 21 << true;
    QTest::newRow("22 bytes") << 22 << false;
    QTest::newRow("42 bytes, two messages at once") << 42 << false;
}

void TestExtCSVReader::messageSizes()
{
    QFETCH(int, size);
    QFETCH(bool, emitted);
    ExtCSVReader reader;
    reader.setJobName("RAWJOB");
    QSignalSpy spy(&reader, &ExtCSVReader::jobFinished);
    reader.onDataRead(bytesFrom(0xf0, size));
    QCOMPARE(spy.count(), emitted ? 1 : 0);
}

void TestExtCSVReader::readsMessagesFromPort()
{
    PtyDevice device;
    QVERIFY(device.isOpen());
    LogCapture log("CSVReader");
    ExtCSVReader reader;
    reader.setJobName("RAWJOB");
    reader.setSerialSettings(settingsFor(device.slavePath()));
    QSignalSpy spy(&reader, &ExtCSVReader::jobFinished);
    reader.start();
    QVERIFY(reader.isOpen());
    QCOMPARE(device.baudRate(), 19200);
    QCOMPARE(device.dataBits(), 8);

    // Each short or long message is seen (logged) and dropped before the
    // next is sent, so that the line cannot merge two of them.
    for (int size : {20, 22}) {
        const QByteArray bytes = bytesFrom(0x30, size);
        QVERIFY(device.write(bytes));
        QTRY_VERIFY_WITH_TIMEOUT(log.contains(QString("read msg: '%1'").arg(QString(bytes.toHex()))), 10000);
        QCOMPARE(spy.count(), 0);
    }

    const qint64 before = QDateTime::currentMSecsSinceEpoch();
    QVERIFY(device.write(bytesFrom(0x00, 21)));
    QVERIFY(spy.wait(10000));
    QCOMPARE(spy.count(), 1);
    const CJob job = spy.at(0).at(0).value<CJob>();
    QCOMPARE(spy.at(0).at(1).toInt(), 0);
    QCOMPARE(job.jobName, std::string("RAWJOB"));
    QVERIFY(job.timeStamp >= before && job.timeStamp <= QDateTime::currentMSecsSinceEpoch());
    QVERIFY(job.duration >= 0);
    QCOMPARE(job.getResultCount(), 1);
    const CJobResult &r = job.resultAt(0);
    QCOMPARE(r.name, std::string("RAWDATA_AS_HEX"));
    QCOMPARE(r.typeName, std::string("string"));
    QCOMPARE(r.format, 6);
    QCOMPARE(QByteArray(r.textValue), QByteArray("000102030405060708090a0b0c0d0e0f1011121314"));
}

void TestExtCSVReader::missingPortIsLogged()
{
    LogCapture log("CSVReader");
    ExtCSVReader reader;
    reader.setSerialSettings(settingsFor("/dev/kelvo-no-such-port"));
    reader.start();
    QVERIFY(!reader.isOpen());
    const QStringList errors = log.lines().filter("ERROR");
    QCOMPARE(errors.size(), 1);
    QVERIFY2(errors.first().contains("/dev/kelvo-no-such-port"), qPrintable(errors.first()));
    // The reason the port gave, not just "failed".
    QSerialPort probe("/dev/kelvo-no-such-port");
    QVERIFY(!probe.open(QIODevice::ReadWrite));
    QVERIFY2(errors.first().contains(probe.errorString()), qPrintable(errors.first()));
}

void TestExtCSVReader::stopClosesPort()
{
    PtyDevice device;
    ExtCSVReader reader;
    reader.setSerialSettings(settingsFor(device.slavePath()));
    reader.start();
    QVERIFY(reader.isOpen());
    reader.stop();
    QVERIFY(!reader.isOpen());
    reader.stop(); // twice is harmless
    // A second start opens it again.
    reader.start();
    QVERIFY(reader.isOpen());
}

void TestExtCSVReader::lostPortReportedOnce()
{
    PtyDevice device;
    LogCapture log("CSVReader");
    ExtCSVReader reader;
    reader.setJobName("RAWJOB");
    reader.setSerialSettings(settingsFor(device.slavePath()));
    QSignalSpy spy(&reader, &ExtCSVReader::jobFinished);
    reader.start();
    QVERIFY(device.write(bytesFrom(0x00, 21)));
    QVERIFY(spy.wait(10000));
    device.unplug();
    const double cpu = CpuTime::whileRunning(2000);
    QVERIFY2(cpu < 0.1, qPrintable(QString::number(cpu)));
    QCOMPARE(spy.count(), 2);
    QCOMPARE(spy.at(1).at(1).toInt(), 349);
    const CJob lost = spy.at(1).at(0).value<CJob>();
    QCOMPARE(lost.errorText, std::string("port lost"));
    QCOMPARE(lost.jobName, std::string("RAWJOB"));
    QCOMPARE(lost.getResultCount(), 0);
    QVERIFY(!reader.isOpen());
    QCOMPARE(log.count("port lost: " + device.slavePath() + ": the line hung up"), 1);
}

QTEST_GUILESS_MAIN(TestExtCSVReader)
#include "tst_extcsvreader.moc"
