// The runner's serial way against a scripted ECU on a pseudo-terminal: the
// exact request bytes, the line settings, echo and reply in their layouts,
// and every failure a cable can produce.
#include "crunner.h"
#include "ptydevice.h"
#include "resultlookup.h"
#include "scriptedecu.h"
#include "unopenableport.h"
#include "workdir.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QSettings>
#include <QtTest>
#include <atomic>
#include <memory>
#include <thread>

using Echo = EcuAnswer::Echo;

namespace {
// A BMSS501 reply to 12050B03: address, length 42, status, engine speed
// 0x0BB8 (3000 1/min) at byte 3, zeros, XOR check byte.
QByteArray bmssReply(quint16 rpm = 3000)
{
    QByteArray r(41, '\0');
    r[0] = 0x12;
    r[1] = 42;
    r[2] = char(0xA0);
    r[3] = char(rpm >> 8);
    r[4] = char(rpm & 0xFF);
    return ScriptedEcu::withCheck(r, ScriptedEcu::Check::Xor);
}

// A KWP2000 reply of MRMA24: format 0x8C (12 data bytes), target F1,
// source 12, service 61 A1, the battery byte 0x96 at position 5, sum check.
QByteArray mrmaReply()
{
    QByteArray r = ScriptedEcu::hex("8C F1 12 61 A1 96");
    r.append(QByteArray(9, '\x10'));
    return ScriptedEcu::withCheck(r, ScriptedEcu::Check::Sum);
}

} // namespace

class TestCRunnerSerial : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void ds2RequestAndDecode();
    void replyInChunks();
    void messageErrors_data();
    void messageErrors();
    void silenceTimesOut();
    void missingPort();
    void portThatDoesNotOpenSaysWhy_data();
    void portThatDoesNotOpenSaysWhy();
    void fastEcuSumCheckAndBattery();
    void fastEcuLowerCaseName();
    void fastEcuFailures_data();
    void fastEcuFailures();
    void pauseAfterBeforeTimeStamp();
    void staleInputAndTrailingJunk();
    void shortReplyNotDecoded();
    void portKeptAcrossEcus();
    void telegramWithoutHexDigits();
    void adapterUnpluggedAndBack();
    void endlessStreamEndsTheJob();
    void stopEndsAStreamingRead();

private:
    void writeIni(int pauseAfter = 0);
    void expectMessageError(const EcuAnswer &answer);
    std::unique_ptr<WorkDir> wd;
    std::unique_ptr<PtyDevice> dev;
    std::unique_ptr<ScriptedEcu> ecu;
};

void TestCRunnerSerial::init()
{
    wd = std::make_unique<WorkDir>();
    wd->write("ecudata/BMSS501_DATATABLE", "");
    wd->write("ecudata/MRMA24_DATATABLE", "");
    dev = std::make_unique<PtyDevice>();
    QVERIFY(dev->isOpen());
    ecu = std::make_unique<ScriptedEcu>(*dev);
    writeIni();
}

void TestCRunnerSerial::cleanup()
{
    ecu.reset();
    dev.reset();
    wd.reset();
}

void TestCRunnerSerial::writeIni(int pauseAfter)
{
    QSettings ini("kelvo.ini", QSettings::IniFormat);
    ini.setValue("serial/port", dev->slavePath());
    ini.setValue("serial/pause_before", 0);
    ini.setValue("serial/pause_read", 0);
    ini.setValue("serial/pause_after", pauseAfter);
    ini.setValue("serial/syncwrite", 1);
}

static CJob bmssJob()
{
    CJob job("BMSS501_SERIAL", "STATUS_MOTOR");
    job.telegram = "12050B03";
    return job;
}

static CJob mrmaJob(const char *ecuName = "MRMA24_SERIAL")
{
    CJob job(ecuName, "STATUS_BATT");
    job.telegram = "8212F321A1";
    return job;
}

void TestCRunnerSerial::ds2RequestAndDecode()
{
    ecu->on(ScriptedEcu::hex("12050B03"), EcuAnswer::reply(bmssReply()));
    ecu->start();
    CRunner runner;
    CJob job = bmssJob();
    job.readWaitTime = 12345;
    QCOMPARE(runner.runJob(job), 0);
    QCOMPARE(ecu->requests(), QList<QByteArray>{ScriptedEcu::hex("12050B031F")});
    QCOMPARE(ecu->badRequests(), 0);
    QCOMPARE(dev->baudRate(), 9600);
    QCOMPARE(dev->dataBits(), 8);
    const CJobResult *rpm = findResult(job, "STATUS_MOTORDREHZAHL");
    QVERIFY(rpm);
    QCOMPARE(rpm->realValue, 3000.0);
    QCOMPARE(rpm->unit, std::string("1/min"));
    QVERIFY(job.readWaitTime < 12345);
    QVERIFY(job.duration >= 0);
    QVERIFY(runner.isSerialMode());
    QCOMPARE(job.errorText, std::string());
}

void TestCRunnerSerial::replyInChunks()
{
    ecu->on(ScriptedEcu::hex("12050B03"),
            EcuAnswer::reply(bmssReply(1234)).echo(Echo::Split, 20).inChunks(3, 50));
    ecu->start();
    CRunner runner;
    CJob job = bmssJob();
    QCOMPARE(runner.runJob(job), 0);
    QVERIFY(findResult(job, "STATUS_MOTORDREHZAHL"));
    QCOMPARE(findResult(job, "STATUS_MOTORDREHZAHL")->realValue, 1234.0);
    // The reply came in pieces: the last wait that brought data was short,
    // and the whole exchange took at least the two gaps.
    QVERIFY2(job.duration >= 100, qPrintable(QString::number(job.duration)));
}

void TestCRunnerSerial::messageErrors_data()
{
    QTest::addColumn<int>("echoMode");
    QTest::addColumn<bool>("wrongCheck");
    QTest::newRow("corrupt echo") << int(Echo::Corrupt) << false;
    QTest::newRow("no echo") << int(Echo::None) << false;
    QTest::newRow("wrong check byte") << int(Echo::Whole) << true;
}

void TestCRunnerSerial::messageErrors()
{
    QFETCH(int, echoMode);
    QFETCH(bool, wrongCheck);
    EcuAnswer answer = EcuAnswer::reply(bmssReply()).echo(Echo(echoMode));
    if (wrongCheck)
        answer.wrongCheckByte();
    expectMessageError(answer);
}

// The status request, answered so, fails as a message error with no results.
void TestCRunnerSerial::expectMessageError(const EcuAnswer &answer)
{
    ecu->on(ScriptedEcu::hex("12050B03"), answer);
    ecu->start();
    CRunner runner;
    CJob job = bmssJob();
    QCOMPARE(runner.runJob(job), int(CRunner::SerialFailed));
    QCOMPARE(job.errorText, std::string("Message error"));
    QCOMPARE(job.getResultCount(), 0);
}

void TestCRunnerSerial::silenceTimesOut()
{
    ecu->on(ScriptedEcu::hex("12050B03"), EcuAnswer::silence());
    ecu->start();
    CRunner runner;
    CJob job = bmssJob();
    QElapsedTimer t;
    t.start();
    QCOMPARE(runner.runJob(job), int(CRunner::SerialFailed));
    const qint64 took = t.elapsed();
    QCOMPARE(job.errorText, std::string("Timeout error"));
    QVERIFY2(took >= 950 && took < 5000, qPrintable(QString::number(took)));
    QCOMPARE(job.getResultCount(), 0);
}

void TestCRunnerSerial::missingPort()
{
    QSettings("kelvo.ini", QSettings::IniFormat).setValue("serial/port", "/dev/kelvo-no-such-port");
    CRunner runner;
    CJob job = bmssJob();
    const qint64 before = QDateTime::currentMSecsSinceEpoch();
    QCOMPARE(runner.runJob(job), int(CRunner::PortOpenFailed));
    QCOMPARE(job.errorText, std::string("Failed to open port /dev/kelvo-no-such-port: No such file or directory"));
    QVERIFY(job.timeStamp >= before);
    QVERIFY(!runner.isSerialMode());
    // The next serial job tries to open it again.
    CJob again = bmssJob();
    QCOMPARE(runner.runJob(again), int(CRunner::PortOpenFailed));
}

void TestCRunnerSerial::portThatDoesNotOpenSaysWhy_data()
{
    UnopenablePort::addRows();
}

void TestCRunnerSerial::portThatDoesNotOpenSaysWhy()
{
    // The job's error text is what the plot window's status line shows.
    QFETCH(UnopenablePort::How, how);
    UnopenablePort blocked(how, *dev, wd->filePath("ttyNone"));
    QSettings("kelvo.ini", QSettings::IniFormat).setValue("serial/port", blocked.path());
    CRunner runner;
    CJob job = bmssJob();
    QCOMPARE(runner.runJob(job), int(CRunner::PortOpenFailed));
    blocked.asUser(false);
    QCOMPARE(QString::fromStdString(job.errorText), "Failed to open port " + blocked.path() + ": " + blocked.reason());
}

void TestCRunnerSerial::fastEcuSumCheckAndBattery()
{
    ecu->setCheck(ScriptedEcu::Check::Sum);
    ecu->on(ScriptedEcu::hex("8212F321A1"), EcuAnswer::reply(mrmaReply()));
    ecu->start();
    CRunner runner;
    CJob job = mrmaJob();
    QCOMPARE(runner.runJob(job), 0);
    // Header byte 0x80 + 2 data bytes, then the sum check byte.
    QCOMPARE(ecu->requests(), QList<QByteArray>{ScriptedEcu::hex("8212F321A149")});
    QCOMPARE(dev->baudRate(), 115200);
    QVERIFY(!dev->parityEnabled());
    const CJobResult *batt = findResult(job, "STATUS_UBATT");
    QVERIFY(batt);
    QCOMPARE(batt->realValue, 150 * 0.08139);
    QCOMPARE(batt->displayName, std::string("Battery"));
    QCOMPARE(batt->unit, std::string("V"));
}

void TestCRunnerSerial::fastEcuLowerCaseName()
{
    // The name decides the line speed and the framing alike, whatever its
    // letter case: a fast ECU spoken to at 9600 baud would never answer.
    ecu->setCheck(ScriptedEcu::Check::Sum);
    ecu->on(ScriptedEcu::hex("8212F321A1"), EcuAnswer::reply(mrmaReply()));
    ecu->start();
    CRunner runner;
    CJob job = mrmaJob("mrma24_serial");
    QCOMPARE(runner.runJob(job), 0);
    QCOMPARE(dev->baudRate(), 115200);
    QCOMPARE(job.ecuName, std::string("MRMA24_SERIAL"));
    QVERIFY(findResult(job, "STATUS_UBATT"));
}

void TestCRunnerSerial::fastEcuFailures_data()
{
    QTest::addColumn<int>("echoMode");
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<QString>("error");
    QTest::newRow("echo only") << int(Echo::Whole) << QByteArray() << "Timeout error";
    QTest::newRow("echo and one byte") << int(Echo::Whole) << QByteArray("\x8C") << "Timeout error";
    QTest::newRow("corrupt echo") << int(Echo::Corrupt) << mrmaReply() << "Message error";
}

void TestCRunnerSerial::fastEcuFailures()
{
    QFETCH(int, echoMode);
    QFETCH(QByteArray, reply);
    QFETCH(QString, error);
    ecu->setCheck(ScriptedEcu::Check::Sum);
    ecu->on(ScriptedEcu::hex("8212F321A1"), EcuAnswer::reply(reply).echo(Echo(echoMode)));
    ecu->start();
    CRunner runner;
    CJob job = mrmaJob();
    QCOMPARE(runner.runJob(job), int(CRunner::SerialFailed));
    QCOMPARE(QString::fromStdString(job.errorText), error);
    QCOMPARE(job.getResultCount(), 0);
}

void TestCRunnerSerial::pauseAfterBeforeTimeStamp()
{
    writeIni(20);
    ecu->on(ScriptedEcu::hex("12050B03"), EcuAnswer::reply(bmssReply()));
    ecu->start();
    CRunner runner;
    for (int i = 0; i < 3; ++i) {
        CJob job = bmssJob();
        const qint64 before = QDateTime::currentMSecsSinceEpoch();
        QCOMPARE(runner.runJob(job), 0);
        QVERIFY2(job.timeStamp - (before + job.duration) >= 20,
                 qPrintable(QString("%1 %2 %3").arg(before).arg(job.duration).arg(job.timeStamp)));
    }
}

void TestCRunnerSerial::staleInputAndTrailingJunk()
{
    ecu->on(ScriptedEcu::hex("12050B03"),
            QList<EcuAnswer>{EcuAnswer::reply(bmssReply(1000)).thenJunk(ScriptedEcu::hex("12 05"), 150),
                             EcuAnswer::reply(bmssReply(2000))});
    ecu->start();
    CRunner runner;
    CJob first = bmssJob();
    QCOMPARE(runner.runJob(first), 0);
    QCOMPARE(findResult(first, "STATUS_MOTORDREHZAHL")->realValue, 1000.0);
    // The junk of the first exchange arrives late and lies in the port
    // when the next job writes; it must not be taken for that job's echo.
    // Waited for, not slept for: on a busy machine the ECU's 150 ms may
    // become much more, and junk arriving during the second exchange
    // would test something else.
    QVERIFY(dev->waitForProgramInput(2, 10000));
    CJob second = bmssJob();
    QCOMPARE(runner.runJob(second), 0);
    QCOMPARE(findResult(second, "STATUS_MOTORDREHZAHL")->realValue, 2000.0);
}

void TestCRunnerSerial::shortReplyNotDecoded()
{
    // Address 02 and length 2: a reply of two bytes whose last byte is the
    // XOR of the first passes the check byte test, yet carries nothing.
    expectMessageError(EcuAnswer::reply(ScriptedEcu::hex("0202")));
}

void TestCRunnerSerial::portKeptAcrossEcus()
{
    ecu->on(ScriptedEcu::hex("12050B03"), EcuAnswer::reply(bmssReply()));
    ecu->setCheck(ScriptedEcu::Check::Sum);
    ecu->on(ScriptedEcu::hex("8212F321A1"), EcuAnswer::reply(mrmaReply()));
    ecu->start();
    CRunner runner;
    CJob job = bmssJob();
    QCOMPARE(runner.runJob(job), 0);
    QCOMPARE(dev->baudRate(), 9600);
    // The port stays open with the settings of the job that opened it.
    CJob fast = mrmaJob();
    runner.runJob(fast);
    QCOMPARE(dev->baudRate(), 9600);
    QCOMPARE(ecu->requests().size(), 2);
    QCOMPARE(ecu->requests().at(1), ScriptedEcu::hex("8212F321A149"));
}

void TestCRunnerSerial::telegramWithoutHexDigits()
{
    ecu->start();
    CRunner runner;
    CJob job = bmssJob();
    job.telegram = "xyz";
    QCOMPARE(runner.runJob(job), int(CRunner::SerialFailed));
    QCOMPARE(job.errorText, std::string("Message error"));
    QTest::qWait(50);
    QCOMPARE(ecu->requests().size(), 0);
}

void TestCRunnerSerial::adapterUnpluggedAndBack()
{
    ecu->on(ScriptedEcu::hex("12050B03"), EcuAnswer::reply(bmssReply()));
    ecu->start();
    CRunner runner;
    CJob job = bmssJob();
    QCOMPARE(runner.runJob(job), 0);
    ecu->stop();
    dev->unplug();
    CJob lost = bmssJob();
    QCOMPARE(runner.runJob(lost), int(CRunner::SerialFailed));
    CJob missing = bmssJob();
    QCOMPARE(runner.runJob(missing), int(CRunner::PortOpenFailed));
    const std::string failed = "Failed to open port " + dev->slavePath().toStdString() + ": ";
    QVERIFY2(missing.errorText.rfind(failed, 0) == 0 && missing.errorText.size() > failed.size(),
             missing.errorText.c_str());

    // Plugged in again (under a new name, as a USB adapter may come back).
    PtyDevice again;
    ScriptedEcu ecu2(again);
    ecu2.on(ScriptedEcu::hex("12050B03"), EcuAnswer::reply(bmssReply(900)));
    ecu2.start();
    QSettings("kelvo.ini", QSettings::IniFormat).setValue("serial/port", again.slavePath());
    CJob back = bmssJob();
    QCOMPARE(runner.runJob(back), 0);
    QCOMPARE(findResult(back, "STATUS_MOTORDREHZAHL")->realValue, 900.0);
}

namespace {
// A device that talks without end (a wideband sensor, a GPS receiver on the
// port configured for the cable): a byte every few milliseconds, never a
// gap on the line.
class EndlessStream
{
public:
    explicit EndlessStream(PtyDevice &dev)
        : worker([this, &dev] {
              QElapsedTimer alive;
              alive.start();
              // Bounded, so that a runner that never lets go cannot hang
              // the test run itself.
              while (running && alive.elapsed() < 20000) {
                  dev.write(QByteArray("\x55", 1));
                  dev.drain();
                  std::this_thread::sleep_for(std::chrono::milliseconds(2));
              }
          })
    {
    }
    ~EndlessStream()
    {
        running = false;
        worker.join();
    }

private:
    std::atomic<bool> running{true};
    std::thread worker;
};
} // namespace

void TestCRunnerSerial::endlessStreamEndsTheJob()
{
    EndlessStream stream(*dev);
    CRunner runner;
    CJob job = bmssJob();
    QElapsedTimer t;
    t.start();
    QCOMPARE(runner.runJob(job), int(CRunner::SerialFailed));
    QVERIFY2(t.elapsed() < 8000, qPrintable(QString::number(t.elapsed())));
    QCOMPARE(job.errorText, std::string("Message error"));
    QCOMPARE(job.getResultCount(), 0);
}

void TestCRunnerSerial::stopEndsAStreamingRead()
{
    // The fast ECUs wait for the whole reply its header announces; a stream
    // that echoes nothing still must not keep a shutdown waiting.
    EndlessStream stream(*dev);
    CRunner runner;
    CJob job = mrmaJob();
    std::thread stopper([&runner] {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        runner.stop();
    });
    QElapsedTimer t;
    t.start();
    QCOMPARE(runner.runJob(job), int(CRunner::SerialFailed));
    stopper.join();
    QVERIFY2(t.elapsed() < 8000, qPrintable(QString::number(t.elapsed())));
}

int main(int argc, char **argv)
{
    int holderRc = 0;
    if (UnopenablePort::holdPortIfAsked(argc, argv, &holderRc))
        return holderRc;
    QCoreApplication app(argc, argv);
    TestCRunnerSerial test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}
#include "tst_crunner_serial.moc"
