// The 14Point7 source: decoding of data messages into BOOST and AFR, the
// settings it reads, and the exchange with a scripted controller on a
// pseudo-terminal: request order and pauses, split, short and long
// answers, a withheld answer and a lost byte, stop and restart, a GUI
// thread that stays responsive during long pauses, a missing port and a
// pulled adapter.
#include "fourteenpoint7controller.h"
#include "guitestmain.h"
#include "jobsink.h"
#include "logcapture.h"
#include "ptydevice.h"
#include "q14point7reader.h"
#include "q14point7thread.h"
#include "workdir.h"

#include <QElapsedTimer>
#include <QSerialPort>
#include <QSignalSpy>
#include <QTimer>
#include <QtTest>
#include <cmath>
#include <cstring>
#include <limits>

namespace {
using Controller = FourteenPoint7Controller;

// A source reading a scripted controller, its jobs queued to a sink.
struct Exchange
{
    explicit Exchange(const QByteArray &ini = QByteArray())
    {
        if (!ini.isEmpty())
            wd.write("kelvo.ini", ini);
        source.reset(new Q14Point7Thread("14POINT7"));
        QObject::connect(source.data(), &Q14Point7Thread::jobFinished, &sink, &JobSink::onJobFinished,
                         Qt::QueuedConnection);
        SerialPortSettings s = source->serialSettings();
        s.name = dev.slavePath();
        source->setSerialSettings(s);
    }
    ~Exchange()
    {
        source.reset();
        slc.stop();
    }
    void start()
    {
        slc.start();
        source->start();
    }
    // The bytes the program sent, as hex.
    QByteArray sentHex() const { return slc.received().toHex(); }
    int jobsOk() const { return sink.count(0); }

    WorkDir wd;
    PtyDevice dev;
    Controller slc{dev};
    QScopedPointer<Q14Point7Thread> source;
    JobSink sink;
};

const CJobResult *result(const CJob &job, const char *name)
{
    for (const CJobResult &r : job.results) {
        if (r.name == name)
            return &r;
    }
    return nullptr;
}

std::string printfE(double v)
{
    char text[64];
    std::snprintf(text, sizeof text, "%E", v);
    return text;
}

float floatOf(quint32 bits)
{
    float f;
    std::memcpy(&f, &bits, sizeof f);
    return f;
}
} // namespace

class TestQ14Point7 : public QObject
{
    Q_OBJECT
private slots:
    void decoding_data();
    void decoding();
    void noJobWithoutAReading_data();
    void noJobWithoutAReading();
    void settingsReadOnce();
    void requestsInOrderWithPause();
    void splitMessageWaitsForTheRest();
    void longAnswerDroppedExchangeGoesOn();
    void answerToStartDecoded();
    void withheldAnswerAskedAgain();
    void lostByteDoesNotStall();
    void stopWritesNothingAndRestarts();
    void longPauseKeepsGuiResponsive();
    void missingPort();
    void pulledAdapterReportedOnce();
};

void TestQ14Point7::decoding_data()
{
    QTest::addColumn<float>("x");
    QTest::addColumn<int>("boostByte");
    QTest::addColumn<QByteArray>("ini");
    QTest::addColumn<double>("boost");
    QTest::addColumn<double>("afr");
    const double lambda57 = 2.692e-05 * 57 * 57 - 0.006872 * 57 + 0.9966;
    QTest::newRow("boost 0, x 0") << 0.0f << 0 << QByteArray() << -14.5 << 14.65002;
    QTest::newRow("boost 255") << 0.0f << 255 << QByteArray() << double(57.99905f) << 14.65002;
    QTest::newRow("factor 14.6") << 0.0f << 51 << QByteArray("[14point7]\nlambda2afr=14.6\n")
                                 << double(float(51 * 0.28431 - 14.5)) << 0.9966 * 14.6;
    QTest::newRow("x -100 is -57") << -100.0f << 0 << QByteArray() << -14.5 << lambda57 * 14.7;
    QTest::newRow("x -57") << -57.0f << 0 << QByteArray() << -14.5 << lambda57 * 14.7;
    const double lean = (1 + 0.209 / 3) / (1 - 4.76 * 0.209) * 14.7;
    Q_ASSERT(lean > 3046 && lean < 3048);
    QTest::newRow("x 100: O2 limited") << 100.0f << 0 << QByteArray() << -14.5 << lean;
    const double o2 = 0.002976 * 2 - 3.59e-06 * 4 - 0.0001117;
    QTest::newRow("x 2") << 2.0f << 0 << QByteArray() << -14.5 << (1 + o2 / 3) / (1 - 4.76 * o2) * 14.7;
    // Far beyond the limit the formula turns over, but stays a number.
    const double o2big = 0.002976 * double(3e38f) - 3.59e-06 * double(3e38f) * double(3e38f) - 0.0001117;
    QTest::newRow("x 3e38") << 3e38f << 0 << QByteArray() << -14.5 << (1 + o2big / 3) / (1 - 4.76 * o2big) * 14.7;
    QTest::newRow("garbage factor") << 0.0f << 0 << QByteArray("[14point7]\nlambda2afr=abc\n") << -14.5
                                    << 14.65002;
}

void TestQ14Point7::decoding()
{
    QFETCH(float, x);
    QFETCH(int, boostByte);
    QFETCH(QByteArray, ini);
    QFETCH(double, boost);
    QFETCH(double, afr);
    WorkDir wd;
    if (!ini.isEmpty())
        wd.write("kelvo.ini", ini);
    Q14Point7Thread source("14POINT7");
    QSignalSpy jobs(&source, &Q14Point7Thread::jobFinished);
    const QByteArray message = Controller::message(x, quint8(boostByte));
    const qint64 before = QDateTime::currentMSecsSinceEpoch();
    source.onDataRead(message);
    QCOMPARE(jobs.count(), 1);
    QCOMPARE(jobs.at(0).at(1).toInt(), 0);
    const CJob job = jobs.at(0).at(0).value<CJob>();
    QCOMPARE(job.jobName, std::string("14POINT7"));
    QCOMPARE(job.ecuName, std::string());
    QVERIFY(job.timeStamp >= before && job.timeStamp <= QDateTime::currentMSecsSinceEpoch());
    QVERIFY(job.duration >= 0);
    QCOMPARE(job.getResultCount(), 3);
    const CJobResult &raw = job.results.at(0);
    QCOMPARE(raw.name, std::string("RAWDATA_AS_HEX"));
    QCOMPARE(raw.displayName, std::string("RAWDATA_AS_HEX"));
    QCOMPARE(raw.typeName, std::string("string"));
    QCOMPARE(raw.format, 6);
    QCOMPARE(QByteArray(raw.textValue), message.toHex());
    QCOMPARE(int(strlen(raw.textValue)), 42);
    const CJobResult &b = job.results.at(1);
    QCOMPARE(b.name, std::string("BOOST"));
    QCOMPARE(b.displayName, std::string("BOOST"));
    QCOMPARE(b.typeName, std::string("real"));
    QCOMPARE(b.format, 8);
    QCOMPARE(b.realValue, boost);
    QCOMPARE(b.getTextValue(), printfE(boost));
    const CJobResult &a = job.results.at(2);
    QCOMPARE(a.name, std::string("AFR"));
    QCOMPARE(a.displayName, std::string("AFR"));
    QCOMPARE(a.typeName, std::string("real"));
    QCOMPARE(a.format, 8);
    QVERIFY(std::isfinite(a.realValue));
    QVERIFY2(qFuzzyCompare(a.realValue, afr), qPrintable(QString::number(a.realValue, 'g', 12)));
    QCOMPARE(a.getTextValue(), printfE(a.realValue));
}

void TestQ14Point7::noJobWithoutAReading_data()
{
    QTest::addColumn<QByteArray>("message");
    const QByteArray good = Controller::message(1.0f, 60);
    QTest::newRow("20 bytes") << good.left(20);
    QTest::newRow("22 bytes") << good + '\0';
    QTest::newRow("answer to 0x01") << Controller::startAnswer();
    QTest::newRow("empty") << QByteArray();
    for (quint32 bits : {0x7fc00000u, 0xffc00001u, 0x7f800000u, 0xff800000u}) {
        QByteArray m = good;
        m[0] = char(bits >> 24);
        m[1] = char(bits >> 16);
        m[2] = char(bits >> 8);
        m[3] = char(bits);
        QTest::newRow(qPrintable(QString("x %1").arg(double(floatOf(bits))))) << m;
    }
}

void TestQ14Point7::noJobWithoutAReading()
{
    QFETCH(QByteArray, message);
    WorkDir wd;
    Q14Point7Thread source("14POINT7");
    QSignalSpy jobs(&source, &Q14Point7Thread::jobFinished);
    source.onDataRead(message);
    QCOMPARE(jobs.count(), 0);
    // The next good message is read as ever.
    source.onDataRead(Controller::message(0.0f, 0));
    QCOMPARE(jobs.count(), 1);
}

void TestQ14Point7::settingsReadOnce()
{
    WorkDir wd;
    {
        Q14Point7Thread source("14POINT7");
        const SerialPortSettings s = source.serialSettings();
        QCOMPARE(s.name, QString("/dev/ttyUSB0"));
        QCOMPARE(s.baudRate, 14400);
        QCOMPARE(s.dataBits, int(QSerialPort::Data8));
        QCOMPARE(s.parity, int(QSerialPort::NoParity));
        QCOMPARE(s.stopBits, int(QSerialPort::OneStop));
        QCOMPARE(s.flowControl, int(QSerialPort::NoFlowControl));
        QCOMPARE(source.dataPause(), 40);
        QCOMPARE(source.streamReader().dataPause(), 40);
        QCOMPARE(source.readTimeout(), 40);
        QCOMPARE(source.lambdaToAfr(), 14.7);
        // Reading writes nothing.
        QVERIFY(!QFile::exists("kelvo.ini"));
    }
    wd.write("kelvo.ini", "[14point7]\npause_init=7\npause_data=250\nread_timeout=9\nlambda2afr=6.4\n");
    LogCapture log("qextrunnerthread");
    Q14Point7Thread source("14POINT7");
    QCOMPARE(source.streamReader().dataPause(), 250);
    QCOMPARE(source.readTimeout(), 9);
    QCOMPARE(source.lambdaToAfr(), 6.4);
    QVERIFY(log.contains("pause between init bytes:7"));
    QVERIFY(log.contains("read timeout:9"));
    // Changed later, the file is not read again; the adjuster's values are
    // only stored.
    wd.write("kelvo.ini", "[14point7]\npause_data=5\n");
    source.onTimingSettingsChanged(Q14point7TimingSettings{11, 22});
    QCOMPARE(source.dataPause(), 11);
    QCOMPARE(source.readTimeout(), 22);
    QCOMPARE(source.streamReader().dataPause(), 250);
    QVERIFY(QMetaType::type("Q14point7TimingSettings") != QMetaType::UnknownType);
}

void TestQ14Point7::requestsInOrderWithPause()
{
    Exchange ex("[14point7]\npause_data=150\n");
    ex.slc.setReading(0.0f, 51);
    ex.start();
    QVERIFY(ex.sink.waitFor(5, 10000));
    // 14400 baud 8N1, read back from the line.
    QCOMPARE(ex.dev.baudRate(), 14400);
    QCOMPARE(ex.dev.dataBits(), 8);
    QVERIFY(!ex.dev.parityEnabled());
    QVERIFY(!ex.dev.hardwareFlowControl());
    const QByteArray sent = ex.slc.received();
    QVERIFY2(sent.startsWith(QByteArray::fromHex("010407")), sent.toHex().constData());
    // One request per message: the answers to 0x01 and 0x04 are no jobs.
    const QList<qint64> messages = ex.slc.messagesSent();
    const QList<Controller::Event> requests = ex.slc.requests();
    QVERIFY(requests.size() >= 3 + messages.size() - 1);
    QVERIFY(requests.size() <= 3 + messages.size());
    for (int i = 2; i < requests.size(); ++i)
        QCOMPARE(requests.at(i).byte, char(0x07));
    // After each request the port stays unread for the data pause, so each
    // next request comes no sooner than the pause after the one before (as
    // the controller reads them: less its own wake-up delay). The first
    // 0x07, like 0x01 and 0x04, is followed by the start pause of 100 ms.
    QVERIFY(requests.size() >= 6);
    QVERIFY(requests.at(3).atMs - requests.at(2).atMs >= 100 - 30);
    for (int i = 4; i < requests.size(); ++i) {
        const qint64 gap = requests.at(i).atMs - requests.at(i - 1).atMs;
        QVERIFY2(gap >= 150 - 30, qPrintable(QString("request %1: %2 ms").arg(i).arg(gap)));
    }
    const CJob job = ex.sink.last();
    QCOMPARE(ex.sink.count(), ex.jobsOk());
    QVERIFY(qFuzzyCompare(result(job, "AFR")->realValue, 14.65002));
    QCOMPARE(result(job, "BOOST")->realValue, double(float(51 * 0.28431 - 14.5)));
}

void TestQ14Point7::splitMessageWaitsForTheRest()
{
    Exchange ex("[14point7]\npause_data=0\n");
    ex.slc.setReading(-10.0f, 100);
    Controller::Answer split;
    split.splitAt = 20;
    split.splitDelayMs = 300;
    ex.slc.script(0x07, split);
    ex.start();
    QVERIFY(ex.sink.waitFor(3, 10000));
    const QList<qint64> messages = ex.slc.messagesSent();
    const QList<Controller::Event> requests = ex.slc.requests();
    // The second request came only after the last byte of the first message.
    QVERIFY(requests.size() >= 4);
    QVERIFY2(requests.at(3).atMs >= messages.at(0), qPrintable(QString("%1 < %2").arg(requests.at(3).atMs).arg(messages.at(0))));
    const CJob first = ex.sink.entries().at(0).job;
    QCOMPARE(QByteArray(result(first, "RAWDATA_AS_HEX")->textValue),
             Controller::message(-10.0f, 100).toHex());
    QCOMPARE(ex.sink.count(), ex.jobsOk());
}

void TestQ14Point7::longAnswerDroppedExchangeGoesOn()
{
    Exchange ex("[14point7]\npause_data=0\n");
    ex.slc.setReading(0.0f, 0);
    Controller::Answer longer;
    longer.bytes = Controller::message(5.0f, 200) + char(0x55);
    ex.slc.script(0x07, longer);
    ex.start();
    QVERIFY(ex.sink.waitFor(2, 10000));
    // The 22 bytes gave no job, and the next request went out all the same.
    QCOMPARE(ex.slc.messageCount() >= 3, true);
    for (const JobSink::Entry &e : ex.sink.entries())
        QCOMPARE(QByteArray(result(e.job, "RAWDATA_AS_HEX")->textValue), Controller::message(0.0f, 0).toHex());
}

void TestQ14Point7::answerToStartDecoded()
{
    Exchange ex("[14point7]\npause_data=40\n");
    Controller::Answer asMessage;
    asMessage.bytes = Controller::message(-20.0f, 90);
    ex.slc.script(0x01, asMessage);
    ex.slc.setReading(0.0f, 0);
    ex.start();
    QVERIFY(ex.sink.waitFor(2, 10000));
    QCOMPARE(QByteArray(result(ex.sink.entries().at(0).job, "RAWDATA_AS_HEX")->textValue),
             asMessage.bytes.toHex());
    QVERIFY(ex.slc.received().startsWith(QByteArray::fromHex("010407")));
}

void TestQ14Point7::withheldAnswerAskedAgain()
{
    Exchange ex("[14point7]\npause_data=0\n");
    ex.slc.setReading(0.0f, 10);
    Controller::Answer none;
    none.withhold = true;
    // The first data request goes unanswered.
    ex.slc.script(0x07, none);
    ex.start();
    QVERIFY(ex.sink.waitFor(3, 10000));
    const QList<Controller::Event> requests = ex.slc.requests();
    QVERIFY(requests.size() >= 4);
    QCOMPARE(requests.at(3).byte, char(0x07));
    // About a second later, not sooner.
    const qint64 gap = requests.at(3).atMs - requests.at(2).atMs;
    QVERIFY2(gap >= 900, qPrintable(QString::number(gap)));
    QCOMPARE(ex.sink.count(), ex.jobsOk());
}

void TestQ14Point7::lostByteDoesNotStall()
{
    Exchange ex("[14point7]\npause_data=0\n");
    ex.slc.setReading(3.0f, 77);
    Controller::Answer shortened;
    shortened.bytes = Controller::message(3.0f, 77).left(20);
    ex.slc.script(0x07, shortened);
    LogCapture log("qextrunnerthread");
    ex.start();
    QVERIFY(ex.sink.waitFor(3, 10000));
    // The 20 bytes left were emptied with the new request: every message
    // after them is read whole, none shifted.
    for (const JobSink::Entry &e : ex.sink.entries())
        QCOMPARE(QByteArray(result(e.job, "RAWDATA_AS_HEX")->textValue), Controller::message(3.0f, 77).toHex());
    QVERIFY(log.contains("20 byte(s) dropped"));
}

void TestQ14Point7::stopWritesNothingAndRestarts()
{
    Exchange ex("[14point7]\npause_data=200\n");
    // Stopped as the first message is passed on: its request never goes.
    bool stopped = false;
    QObject::connect(&ex.source->streamReader(), &Q14Point7Reader::dataRead, [&](const QByteArray &block) {
        if (block.size() == 21 && !stopped) {
            stopped = true;
            ex.source->stop();
        }
    });
    ex.start();
    QTRY_VERIFY_WITH_TIMEOUT(stopped, 10000);
    const qint64 stoppedAt = ex.slc.now();
    QSerialPort port(ex.dev.slavePath());
    QVERIFY2(port.open(QIODevice::ReadWrite), qPrintable(port.errorString()));
    port.close();
    // Past the pause and the retry time: 0x01, 0x04 and one 0x07, no more.
    QTRY_VERIFY_WITH_TIMEOUT(ex.slc.now() > stoppedAt + 1300, 5000);
    QCOMPARE(ex.sentHex(), QByteArray("010407"));
    QCOMPARE(ex.source->streamReader().state(), int(Q14Point7Reader::Idle));
    QSignalSpy errors(&ex.source->streamReader(), &Q14Point7Reader::error);
    ex.source->start();
    QVERIFY(errors.isEmpty());
    QVERIFY(ex.source->streamReader().isOpen());
    QVERIFY(ex.sink.waitFor(ex.sink.count() + 2, 10000));
    QVERIFY2(ex.sentHex().startsWith("010407010407"), ex.sentHex().constData());
}

void TestQ14Point7::longPauseKeepsGuiResponsive()
{
    Exchange ex("[14point7]\npause_data=300\n");
    ex.start();
    QElapsedTimer sinceTick;
    qint64 longest = 0;
    QTimer ticker;
    ticker.setTimerType(Qt::PreciseTimer);
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        if (sinceTick.isValid())
            longest = qMax(longest, sinceTick.elapsed());
        sinceTick.start();
    });
    QVERIFY(ex.sink.waitFor(1, 10000));
    ticker.start(10);
    QVERIFY(ex.sink.waitFor(5, 10000));
    QVERIFY2(longest < 150, qPrintable(QString::number(longest)));
}

void TestQ14Point7::missingPort()
{
    WorkDir wd;
    Q14Point7Thread source("14POINT7");
    JobSink sink;
    QObject::connect(&source, &Q14Point7Thread::jobFinished, &sink, &JobSink::onJobFinished, Qt::QueuedConnection);
    QSignalSpy errors(&source.streamReader(), &Q14Point7Reader::error);
    SerialPortSettings s = source.serialSettings();
    s.name = wd.filePath("ttyMissing");
    source.setSerialSettings(s);
    source.start();
    QCOMPARE(errors.count(), 1);
    QCOMPARE(errors.at(0).at(0).toString(), QString("open port failed: No such file or directory"));
    QVERIFY(!source.isRunning());
    QVERIFY(sink.waitFor(1, 5000));
    QCOMPARE(sink.entries().at(0).result, 349);
    QCOMPARE(QString::fromStdString(sink.last().errorText),
             "failed to open port " + wd.filePath("ttyMissing") + ": No such file or directory");
    QCOMPARE(sink.last().jobName, std::string("14POINT7"));
    QCOMPARE(sink.last().getResultCount(), 0);
    QVERIFY(!sink.waitFor(2, 300));
}

void TestQ14Point7::pulledAdapterReportedOnce()
{
    Exchange ex("[14point7]\npause_data=20\n");
    LogCapture log("qextrunnerthread");
    ex.start();
    QVERIFY(ex.sink.waitFor(3, 10000));
    ex.slc.stop();
    ex.dev.unplug();
    QTRY_COMPARE_WITH_TIMEOUT(ex.sink.count(349), 1, 5000);
    const CJob lostJob = ex.sink.last();
    QCOMPARE(lostJob.errorText, std::string("port lost: the line hung up"));
    QCOMPARE(lostJob.getResultCount(), 0);
    QVERIFY(!ex.source->streamReader().isOpen());
    QVERIFY(!ex.source->isRunning());
    QCOMPARE(log.count("Q14Point7Reader: port lost:"), 1);
    // Then nothing: no more errors, no more jobs.
    const int errors = log.count("onError");
    QVERIFY(errors >= 1 && errors <= 2);
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < 1500)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    QCOMPARE(log.count("onError"), errors);
    QCOMPARE(ex.sink.count(349), 1);
}

KELVO_GUI_TEST_MAIN(TestQ14Point7)
#include "tst_q14point7.moc"
