// The TechEdge WBo2 source: the port opens at 19200 8N1 without flow
// control, arriving bytes are logged and reach no listener, stop frees the
// port and start opens it again; a missing port and a pulled adapter each
// give one job with result 349.
#include "guitestmain.h"
#include "jobsink.h"
#include "logcapture.h"
#include "ptydevice.h"
#include "techedgewbo2datahandler.h"
#include "workdir.h"

#include <QSerialPort>
#include <QSignalSpy>
#include <QtTest>

namespace {
struct Source
{
    explicit Source(const QString &port)
        : handler("WBO2")
    {
        QObject::connect(&handler, &TechEdgeWBo2DataHandler::jobFinished, &sink, &JobSink::onJobFinished,
                         Qt::QueuedConnection);
        SerialPortSettings s = handler.serialSettings();
        s.name = port;
        handler.setSerialSettings(s);
    }
    TechEdgeWBo2DataHandler handler;
    JobSink sink;
};
} // namespace

class TestTechEdgeWBo2 : public QObject
{
    Q_OBJECT
private slots:
    void defaults();
    void opensLogsAndEmitsNothing();
    void stopFreesPortStartReopens();
    void missingPort();
    void pulledAdapterReportedOnce();
};

void TestTechEdgeWBo2::defaults()
{
    TechEdgeWBo2DataHandler handler("WBO2");
    const SerialPortSettings s = handler.serialSettings();
    QCOMPARE(s.name, QString());
    QCOMPARE(s.baudRate, 19200);
    QCOMPARE(s.dataBits, int(QSerialPort::Data8));
    QCOMPARE(s.parity, int(QSerialPort::NoParity));
    QCOMPARE(s.stopBits, int(QSerialPort::OneStop));
    QCOMPARE(s.flowControl, int(QSerialPort::NoFlowControl));
    // The packet slot is there for the source contract and does nothing.
    QSignalSpy jobs(&handler, &TechEdgeWBo2DataHandler::jobFinished);
    handler.onPacketRead(QByteArray::fromHex("5aa5"));
    QCOMPARE(jobs.count(), 0);
}

void TestTechEdgeWBo2::opensLogsAndEmitsNothing()
{
    WorkDir wd;
    PtyDevice dev;
    Source source(dev.slavePath());
    LogCapture log("wbo2");
    source.handler.start();
    QVERIFY(source.handler.streamHandler().isOpen());
    QCOMPARE(dev.baudRate(), 19200);
    QCOMPARE(dev.dataBits(), 8);
    QVERIFY(!dev.parityEnabled());
    QVERIFY(!dev.hardwareFlowControl());
    QVERIFY(log.contains("open port ok"));
    dev.write(QByteArray::fromHex("5aa50102fe"));
    QTRY_VERIFY(log.contains("read:5aa50102fe"));
    dev.write(QByteArray::fromHex("5aa50304"));
    QTRY_VERIFY(log.contains("read:5aa50304"));
    QCoreApplication::processEvents();
    QCOMPARE(source.sink.count(), 0);
}

void TestTechEdgeWBo2::stopFreesPortStartReopens()
{
    WorkDir wd;
    PtyDevice dev;
    Source source(dev.slavePath());
    LogCapture log("wbo2");
    source.handler.start();
    QVERIFY(source.handler.streamHandler().isOpen());
    source.handler.stop();
    QVERIFY(!source.handler.streamHandler().isOpen());
    {
        QSerialPort port(dev.slavePath());
        QVERIFY2(port.open(QIODevice::ReadWrite), qPrintable(port.errorString()));
    }
    source.handler.start();
    QVERIFY(source.handler.streamHandler().isOpen());
    dev.write(QByteArray::fromHex("abcd"));
    QTRY_VERIFY(log.contains("read:abcd"));
    QCOMPARE(source.sink.count(), 0);
}

void TestTechEdgeWBo2::missingPort()
{
    WorkDir wd;
    Source source(wd.filePath("ttyWBO2"));
    QSignalSpy errors(&source.handler.streamHandler(), &TechEdgeWBo2StreamHandler::error);
    source.handler.start();
    QCOMPARE(errors.count(), 1);
    QCOMPARE(errors.at(0).at(0).toString(), QString("open port failed: No such file or directory"));
    QVERIFY(source.sink.waitFor(1, 5000));
    QCOMPARE(source.sink.entries().at(0).result, 349);
    QCOMPARE(QString::fromStdString(source.sink.last().errorText),
             "failed to open port " + wd.filePath("ttyWBO2") + ": No such file or directory");
    QVERIFY(!source.handler.isRunning());
    QCOMPARE(source.sink.last().jobName, std::string("WBO2"));
    QCOMPARE(source.sink.last().getResultCount(), 0);
    QVERIFY(!source.sink.waitFor(2, 300));
}

void TestTechEdgeWBo2::pulledAdapterReportedOnce()
{
    WorkDir wd;
    PtyDevice dev;
    Source source(dev.slavePath());
    LogCapture log("wbo2");
    source.handler.start();
    dev.write(QByteArray::fromHex("01"));
    QTRY_VERIFY(log.contains("read:01"));
    dev.unplug();
    QVERIFY(source.sink.waitFor(1, 5000));
    QCOMPARE(source.sink.entries().at(0).result, 349);
    QCOMPARE(source.sink.last().errorText, std::string("port lost: the line hung up"));
    QVERIFY(!source.handler.streamHandler().isOpen());
    QVERIFY(!source.handler.isRunning());
    const int errors = log.count("onError");
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < 1000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    QCOMPARE(log.count("onError"), errors);
    QCOMPARE(log.count("port lost:"), 1);
    QCOMPARE(source.sink.count(), 1);
}

KELVO_GUI_TEST_MAIN(TestTechEdgeWBo2)
#include "tst_techedgewbo2.moc"
