// The AEM gauge's lines: the value of the first field in single precision,
// the raw line in hexadecimal, lines that are no number (blank ones
// included), the names the setup window gives, and the port settings a
// pseudo-terminal reads back.
#include "aemdatahandler.h"
#include "extsourcemanager.h"
#include "jobmetatypes.h"
#include "jobsink.h"
#include "ptydevice.h"
#include "qextrunnerthread.h"

#include <QSerialPort>
#include <QtTest>

namespace {
// One line through the air/fuel ratio device's handler, as the reader
// hands it over; valid is left as the caller set it unless the handler
// sets it.
CJob decodeAfr(const QByteArray &line, bool &valid)
{
    AEMDataHandler handler;
    handler.setJobName("AEM_AFR");
    handler.setResultName("AEM_AFR_VALUE");
    handler.setResultDisplayName("Air/fuel ratio");
    CJob job;
    QByteArray data = line;
    handler.onDataReceived(data, job, valid);
    return job;
}
} // namespace

class TestAemDataHandler : public QObject
{
    Q_OBJECT
private slots:
    void linesToResults_data();
    void linesToResults();
    void linesWithoutNumberGiveNothing_data();
    void linesWithoutNumberGiveNothing();
    void namesAndDefaults();
    void readsFromPortWithFlowControl();
};

void TestAemDataHandler::linesToResults_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<double>("value");
    QTest::addColumn<QByteArray>("raw");
    QTest::newRow("afr") << QByteArray("14.7\t1") << double(14.7f) << QByteArray("31342e370931");
    QTest::newRow("no tab") << QByteArray("-3.25") << -3.25 << QByteArray("2d332e3235");
    QTest::newRow("zero") << QByteArray("0.0\t1") << 0.0 << QByteArray("302e300931");
    QTest::newRow("spaces around") << QByteArray(" 14.7 \t1") << double(14.7f) << QByteArray("2031342e37200931");
}

void TestAemDataHandler::linesToResults()
{
    QFETCH(QByteArray, line);
    QFETCH(double, value);
    QFETCH(QByteArray, raw);
    bool valid = false;
    const CJob job = decodeAfr(line, valid);
    QVERIFY(valid);
    QCOMPARE(job.jobName, std::string("AEM_AFR"));
    QCOMPARE(job.ecuName, std::string());
    QVERIFY(qAbs(job.timeStamp - QDateTime::currentMSecsSinceEpoch()) < 5000);
    QCOMPARE(job.getResultCount(), 2);
    const CJobResult &v = job.resultAt(0);
    QCOMPARE(v.name, std::string("AEM_AFR_VALUE"));
    QCOMPARE(v.displayName, std::string("Air/fuel ratio"));
    QCOMPARE(v.typeName, std::string("real"));
    QCOMPARE(v.format, 8);
    QVERIFY(v.realValue == value); // exactly: the float widened
    QCOMPARE(QString(v.textValue), QString::asprintf("%E", value));
    const CJobResult &r = job.resultAt(1);
    QCOMPARE(r.name, std::string("rawdata"));
    QCOMPARE(r.displayName, std::string("rawdata"));
    QCOMPARE(r.typeName, std::string("string"));
    QCOMPARE(r.format, 6);
    QCOMPARE(QByteArray(r.textValue), raw);
}

void TestAemDataHandler::linesWithoutNumberGiveNothing_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::newRow("text") << QByteArray("abc");
    QTest::newRow("empty") << QByteArray();
    QTest::newRow("empty first field") << QByteArray("\t9");
    QTest::newRow("control bytes") << QByteArray("\x01\x02\x1b\x7f", 4);
    QTest::newRow("binary") << QByteArray("\x01\xff", 2);
    QTest::newRow("nan") << QByteArray("nan");
    QTest::newRow("inf") << QByteArray("inf\t1");
    QTest::newRow("-inf") << QByteArray("-inf");
    QTest::newRow("too big for a float") << QByteArray("1e50");
    QTest::newRow("number and text") << QByteArray("14.7abc\t1");
    QTest::newRow("cut exponent") << QByteArray("1.4e");
    // Blanks are no number (Qt's byte-array conversion takes them as 0),
    // and the second field is no air/fuel ratio.
    QTest::newRow("blank") << QByteArray(" ");
    QTest::newRow("blank first field") << QByteArray("   \t1");
    QTest::newRow("tabs only") << QByteArray("\t\t");
    QTest::newRow("sign only") << QByteArray("-\t1");
    QTest::newRow("point only") << QByteArray(" . ");
}

void TestAemDataHandler::linesWithoutNumberGiveNothing()
{
    QFETCH(QByteArray, line);
    bool valid = true;
    const CJob job = decodeAfr(line, valid);
    QVERIFY(!valid);
    QCOMPARE(job.getResultCount(), 0);
}

void TestAemDataHandler::namesAndDefaults()
{
    AEMDataHandler handler;
    QCOMPARE(handler.serialSettings().baudRate, 9600);
    QCOMPARE(handler.serialSettings().dataBits, 8);
    QCOMPARE(handler.serialSettings().parity, 0);
    QCOMPARE(handler.serialSettings().stopBits, 1);
    QCOMPARE(handler.serialSettings().flowControl, int(QSerialPort::HardwareControl));
    handler.setJobName("AEM_BOOST");
    handler.setResultName("AEM_BOOST");
    handler.setResultDisplayName("AEM Boost");
    // A long line: the hex stops at 511 bytes, the value still counts.
    QByteArray data = "7.5\t" + QByteArray(596, 'x');
    CJob job;
    bool valid = false;
    handler.onDataReceived(data, job, valid);
    QCOMPARE(job.resultAt(0).name, std::string("AEM_BOOST"));
    QCOMPARE(job.resultAt(0).realValue, 7.5);
    QCOMPARE(int(qstrlen(job.resultAt(1).textValue)), 1022);
    QVERIFY(QByteArray(job.resultAt(1).textValue).startsWith("372e3509787878"));
}

void TestAemDataHandler::readsFromPortWithFlowControl()
{
    JobMetaTypes::registerAll();
    PtyDevice dev;
    AEMDataHandler handler;
    SerialPortSettings s = handler.serialSettings();
    s.name = dev.slavePath();
    handler.setSerialSettings(s);
    handler.setJobName("AEM_AFR");
    handler.setResultName("AEM_AFR_VALUE");
    JobSink sink;
    QExtRunnerThread reader("AEM_AFR", &handler, true);
    ExtSourceManager::connectToListener(&reader, &sink);
    QTRY_VERIFY(reader.isReading());
    QTRY_COMPARE(dev.baudRate(), 9600);
    QTRY_VERIFY(dev.hardwareFlowControl());
    QCOMPARE(dev.dataBits(), 8);
    QVERIFY(!dev.parityEnabled());
    // RTS/CTS set, yet the bytes flow: a pseudo-terminal never holds back.
    // A garbled or blank line between two readings is no reading.
    dev.write("4.7\r\n14.7\t1\r\n \r\n   \t1\r\n\x01\x02nan\r\n13.1\t1\r\n");
    QVERIFY(sink.waitFor(2, 10000));
    reader.stop();
    QCOMPARE(sink.entries().at(0).job.resultAt(0).realValue, double(14.7f));
    QCOMPARE(sink.entries().at(1).job.resultAt(0).realValue, double(13.1f));
    QCOMPARE(sink.count(), 2);
}

QTEST_GUILESS_MAIN(TestAemDataHandler)
#include "tst_aemdatahandler.moc"
