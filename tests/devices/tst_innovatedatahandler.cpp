// The Innovate data handler: device names and types from the query
// replies, one job per data packet with results per configured input
// (lambda, auxiliary, clamping, units), default configurations for known
// types written once, "STAT_UNKNOWN" for unknown ones; and end to end on a
// pseudo-terminal chain through the job receiver, a missing port and a port
// lost while streaming; the configuration file broken and repaired while
// packets come.
#include "cputime.h"
#include "extsourcemanager.h"
#include "globaljobreceiver.h"
#include "innovatedatahandler.h"
#include "innovatemtsextconfig.h"
#include "innovatetestfiles.h"
#include "jobsink.h"
#include "logcapture.h"
#include "mtschain.h"
#include "plotwindowfeed.h"
#include "ptydevice.h"
#include "resultlookup.h"
#include "workdir.h"

#include <QSignalSpy>
#include <QtTest>

using namespace InnovateTestFiles;

namespace {
// A handler fed packets straight into its stream; the jobs it emits.
struct Fed
{
    explicit Fed(const QList<MtsChain::Device> &devices = {})
        : handler("INNOVATE")
        , jobs(&handler, &InnovateDataHandler::jobFinished)
    {
        if (!devices.isEmpty())
            replies(devices);
    }
    void replies(const QList<MtsChain::Device> &devices)
    {
        handler.streamHandler().feed(MtsChain::namesReply(devices) + MtsChain::typesReply(devices));
    }
    // One data packet of these words; the job it gave.
    CJob data(const QByteArray &words)
    {
        const int before = jobs.count();
        handler.streamHandler().feed(MtsChain::dataPacket(words));
        if (jobs.count() != before + 1)
            return CJob();
        return jobs.last().at(0).value<CJob>();
    }
    InnovateDataHandler handler;
    QSignalSpy jobs;
};

QStringList resultNames(const CJob &job)
{
    QStringList names;
    for (const CJobResult &r : job.results)
        names << QString::fromStdString(r.name);
    return names;
}
} // namespace

class TestInnovateDataHandler : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void deviceNames_data();
    void deviceNames();
    void shortTypesReplyGivesNoTypes();
    void lambda_data();
    void lambda();
    void auxiliaryInputs();
    void unitsConverted();
    void unknownTypeStandsIn();
    void knownTypeConfiguredOnce();
    void defaultWithoutSensorDefinitionWrittenOnce();
    void repliesAndOddListsMakeNoResults();
    void chainOnPseudoTerminal();
    void missingPortGivesOneFailedJob();
    void lostPortReportedOnceAndLetGo();
    void brokenConfigKeptUntilRepaired();
    void deviceAddedOnceTheFileReadsAgain();
};

void TestInnovateDataHandler::initTestCase()
{
    PlotWindowFeed::startReceiver();
}

void TestInnovateDataHandler::deviceNames_data()
{
    QTest::addColumn<QStringList>("reported");
    QTest::addColumn<QStringList>("names");
    QTest::newRow("distinct") << QStringList{"LM-2", "AUX4"} << QStringList{"LM-2", "AUX4"};
    QTest::newRow("two of a name") << QStringList{"X", "X"} << QStringList{"X", "Xa"};
    QTest::newRow("three, mixed") << QStringList{"X", "Y", "X", "Y", "X"} << QStringList{"X", "Y", "Xa", "Ya", "Xb"};
    QStringList sixteen;
    QStringList named{"X"};
    for (int i = 0; i < 16; ++i)
        sixteen << "X";
    for (QChar c : QString("abcdefghijklmn"))
        named << QString("X") + c;
    named << "X16";
    QTest::newRow("sixteen") << sixteen << named;
    QTest::newRow("seven characters") << QStringList{"ABCDEFG"} << QStringList{"ABCDEFG"};
}

void TestInnovateDataHandler::deviceNames()
{
    QFETCH(QStringList, reported);
    QFETCH(QStringList, names);
    WorkDir wd;
    QList<MtsChain::Device> devices;
    for (const QString &n : reported)
        devices << MtsChain::Device{n, "WB01"};
    Fed fed(devices);
    QCOMPARE(fed.handler.deviceNames(), names);
    QCOMPARE(QSet<QString>(names.begin(), names.end()).size(), names.size());
    QStringList types;
    for (int i = 0; i < reported.size(); ++i)
        types << "WB01";
    QCOMPARE(fed.handler.deviceTypes(), types);
    QCOMPARE(fed.jobs.count(), 0);  // replies make no job
}

void TestInnovateDataHandler::shortTypesReplyGivesNoTypes()
{
    WorkDir wd;
    Fed fed(QList<MtsChain::Device>{{"W", "WB01"}});
    QCOMPARE(fed.handler.deviceTypes(), QStringList{"WB01"});
    // Seven raw bytes: no device.
    fed.handler.streamHandler().feed(MtsChain::reply(0xF3, QByteArray::fromHex("11204d54586203")));
    QCOMPARE(fed.handler.deviceTypes(), QStringList());
}

void TestInnovateDataHandler::lambda_data()
{
    QTest::addColumn<int>("function");
    QTest::addColumn<int>("raw");
    QTest::addColumn<double>("value");
    QTest::newRow("lambda 1.0, AFR") << 0 << 500 << 14.7;
    QTest::newRow("function 1: times ten") << 1 << 500 << 147.0;
    QTest::newRow("lean") << 0 << 700 << 17.64;
    QTest::newRow("clamped at 200") << 1 << 1000 << 200.0;
}

void TestInnovateDataHandler::lambda()
{
    QFETCH(int, function);
    QFETCH(int, raw);
    QFETCH(double, value);
    WorkDir wd;
    installOwn(wd);
    Fed fed(QList<MtsChain::Device>{{"W", "WB01"}});
    const CJob job = fed.data(MtsChain::lambda(function, 147, raw) + MtsChain::aux(0));
    QCOMPARE(job.jobName, std::string("INNOVATE"));
    QCOMPARE(resultNames(job), QStringList{"W_1"});
    const CJobResult &r = job.results.at(0);
    QCOMPARE(r.displayName, std::string("W_LAMBDA_1"));
    QCOMPARE(r.typeName, std::string("real"));
    QCOMPARE(r.format, 8);
    QCOMPARE(float(r.realValue), float(value));
    // No unit configured: the definition's.
    QCOMPARE(r.unit, std::string("AFR"));
}

void TestInnovateDataHandler::auxiliaryInputs()
{
    WorkDir wd;
    installOwn(wd);
    Fed fed(QList<MtsChain::Device>{{"A", "AN02"}});
    CJob job = fed.data(MtsChain::aux(1023) + MtsChain::aux(2000));
    QCOMPARE(resultNames(job), (QStringList{"A_1", "A_2"}));
    QCOMPARE(job.results.at(0).realValue, 5.0);
    QCOMPARE(job.results.at(0).getTextValue(), std::string("5.000000E+00"));
    QCOMPARE(job.results.at(0).unit, std::string("V"));
    // Past the range: clamped. The input without a unit keeps its value.
    QCOMPARE(job.results.at(1).realValue, 5.0);
    QCOMPARE(job.results.at(1).unit, std::string("V"));
    job = fed.data(MtsChain::aux(0) + MtsChain::aux(511));
    QCOMPARE(job.results.at(0).realValue, 0.0);
    QCOMPARE(float(job.results.at(1).realValue), float(5.0 / 1023.0 * 511));
    QCOMPARE(job.results.at(1).displayName, std::string("A_VOLT_2"));
}

void TestInnovateDataHandler::unitsConverted()
{
    WorkDir wd;
    installOwn(wd);
    Fed fed(QList<MtsChain::Device>{{"T", "AN02"}});
    // 0 and 1023 are -40 and 150 degC; the first input reads degF.
    const CJob job = fed.data(MtsChain::aux(0) + MtsChain::aux(1023));
    // The third input has no channel in the packet: no result.
    QCOMPARE(resultNames(job), (QStringList{"T_1", "T_2"}));
    QCOMPARE(float(job.results.at(0).realValue), float(-40 * 1.8 + 32));
    QCOMPARE(job.results.at(0).unit, std::string("degF"));
    QCOMPARE(job.results.at(1).realValue, 150.0);
    QCOMPARE(job.results.at(1).unit, std::string("degC"));
}

void TestInnovateDataHandler::unknownTypeStandsIn()
{
    WorkDir wd;
    installOwn(wd);
    Fed fed(QList<MtsChain::Device>{{"W", "WB01"}, {"Q", "ZZZZ"}});
    const CJob job = fed.data(MtsChain::lambda(0, 147, 500) + MtsChain::aux(1));
    QCOMPARE(resultNames(job), (QStringList{"W_1", "STAT_UNKNOWN"}));
    QCOMPARE(job.results.at(1).displayName, std::string("ZZZZ NOT DEFINED"));
    QCOMPARE(job.results.at(1).realValue, 0.0);
    QCOMPARE(job.results.at(1).getTextValue(), std::string("0.000000E+00"));
}

void TestInnovateDataHandler::knownTypeConfiguredOnce()
{
    WorkDir wd;
    installOwn(wd);
    Fed fed(QList<MtsChain::Device>{{"W", "WB01"}, {"N", "AN02"}});
    QSignalSpy changed(InnovateMTSExtConfig::instance(), &InnovateMTSExtConfig::inputConfigChanged);
    const QByteArray words = MtsChain::lambda(0, 147, 500) + MtsChain::aux(1023) + MtsChain::aux(0);
    // The packet that finds N unconfigured writes its configuration; its
    // results come from the next packet on.
    QCOMPARE(resultNames(fed.data(words)), QStringList{"W_1"});
    QCOMPARE(storedPrefixes(), (QStringList{"W", "A", "T", "N"}));
    QCOMPARE(changed.count(), 1);
    const CJob job = fed.data(words);
    QCOMPARE(resultNames(job), (QStringList{"W_1", "N_1", "N_2"}));
    QCOMPARE(job.results.at(1).realValue, 5.0);
    QCOMPARE(job.results.at(1).unit, std::string("V"));
    fed.data(words);
    QCOMPARE(storedPrefixes(), (QStringList{"W", "A", "T", "N"}));
    // The default unit went into the file by its code.
    QVERIFY(wd.read("config/InputConfigs.xml").contains("unitNum=\"11\">VOLT"));
}

void TestInnovateDataHandler::defaultWithoutSensorDefinitionWrittenOnce()
{
    WorkDir wd;
    installOwn(wd);
    Fed fed(QList<MtsChain::Device>{{"B", "BAD1"}});
    for (int i = 0; i < 50; ++i)
        QCOMPARE(fed.data(MtsChain::aux(1)).getResultCount(), 0);
    QCOMPARE(storedPrefixes(), (QStringList{"W", "A", "T", "B"}));
    QCOMPARE(fed.jobs.count(), 50);
}

void TestInnovateDataHandler::repliesAndOddListsMakeNoResults()
{
    WorkDir wd;
    installOwn(wd);
    Fed fed;
    // Before any reply: a job without results.
    QCOMPARE(fed.data(MtsChain::aux(5)).getResultCount(), 0);
    fed.handler.streamHandler().feed(MtsChain::namesReply({{"W", "WB01"}, {"A", "AN02"}}));
    fed.handler.streamHandler().feed(MtsChain::typesReply({{"W", "WB01"}}));
    QCOMPARE(fed.jobs.count(), 1);
    const CJob job = fed.data(MtsChain::lambda(0, 147, 500) + MtsChain::aux(5));
    QCOMPARE(job.getResultCount(), 0);
    QCOMPARE(fed.jobs.count(), 2);
}

void TestInnovateDataHandler::chainOnPseudoTerminal()
{
    WorkDir wd;
    installDemo(wd);
    PtyDevice dev;
    MtsChain chain(dev);
    playDemoChain(chain);
    chain.splitWrites(5);
    chain.start();
    JobSink sink;
    PlotWindowFeed::connect(&sink);
    InnovateDataHandler handler("INNOVATE");
    QVERIFY(ExtSourceManager::connectToListener(&handler, GlobalJobReceiver::instance()));
    SerialPortSettings s = handler.serialSettings();
    QCOMPARE(s.name, QString("/dev/ttyUSB0"));
    s.name = dev.slavePath();
    handler.setSerialSettings(s);
    handler.start();
    QTRY_VERIFY_WITH_TIMEOUT(sink.count() > 0 && sink.last().getResultCount() == 5, 5000);
    QCOMPARE(chain.queries(0xCE), 1);
    QCOMPARE(chain.queries(0xF3), 1);
    const CJob job = sink.last();
    QCOMPARE(job.jobName, std::string("INNOVATE"));
    QCOMPARE(resultNames(job), (QStringList{"LM-2_1", "AUX4_1", "AUX4_2", "AUX4_3", "AUX4_4"}));
    QCOMPARE(float(findResult(job, "LM-2_1")->realValue), 14.7f);
    QCOMPARE(findResult(job, "AUX4_3")->unit, std::string("RPM"));
    QVERIFY(qAbs(findResult(job, "AUX4_3")->realValue - 801.56) < 0.01);
    // Milliseconds since the previous packet: a loaded machine may stretch
    // a gap, or read two packets at once (no gap); a wrong unit or a time
    // stamp would be far beyond, and some gap is always there.
    qint64 longest = 0;
    for (const JobSink::Entry &e : sink.entries()) {
        QVERIFY2(e.job.duration >= 0 && e.job.duration < 10000, qPrintable(QString::number(e.job.duration)));
        longest = qMax<qint64>(longest, e.job.duration);
    }
    QVERIFY(longest > 0);
    // The queries went once each, answered or not.
    QTest::qWait(600);
    QCOMPARE(chain.received(), QByteArray::fromHex("cef3"));
    handler.stop();
    chain.stop();
}

void TestInnovateDataHandler::missingPortGivesOneFailedJob()
{
    WorkDir wd;
    JobSink sink;
    PlotWindowFeed::connect(&sink);
    InnovateDataHandler handler("INNOVATE");
    QVERIFY(ExtSourceManager::connectToListener(&handler, GlobalJobReceiver::instance()));
    SerialPortSettings s = handler.serialSettings();
    s.name = wd.filePath("ttyNone");
    handler.setSerialSettings(s);
    handler.start();
    QVERIFY(sink.waitFor(1, 2000));
    QTest::qWait(300);
    QCOMPARE(sink.count(), 1);
    QCOMPARE(sink.entries().first().result, 349);
    QCOMPARE(QString::fromStdString(sink.last().errorText),
             "failed to open port " + wd.filePath("ttyNone") + ": No such file or directory");
    QCOMPARE(sink.last().jobName, std::string("INNOVATE"));
    QVERIFY(!handler.isRunning());
}

void TestInnovateDataHandler::lostPortReportedOnceAndLetGo()
{
    WorkDir wd;
    installDemo(wd);
    PtyDevice dev;
    MtsChain chain(dev);
    playDemoChain(chain);
    chain.start();
    JobSink sink;
    PlotWindowFeed::connect(&sink);
    LogCapture log("innovatestream");
    InnovateDataHandler handler("INNOVATE");
    QVERIFY(ExtSourceManager::connectToListener(&handler, GlobalJobReceiver::instance()));
    SerialPortSettings s = handler.serialSettings();
    s.name = dev.slavePath();
    handler.setSerialSettings(s);
    handler.start();
    QTRY_VERIFY_WITH_TIMEOUT(sink.count() > 0 && sink.last().getResultCount() == 5, 5000);
    chain.stop();
    dev.unplug();
    // The two seconds after the loss cost next to nothing: the port is
    // closed, not polled.
    const double cpu = CpuTime::whileRunning(2000);
    QVERIFY2(cpu < 0.1, qPrintable(QString::number(cpu)));
    QCOMPARE(sink.count(349), 1);
    QCOMPARE(sink.last().errorText, std::string("port lost: the line hung up"));
    QCOMPARE(sink.last().jobName, std::string("INNOVATE"));
    QCOMPARE(sink.last().getResultCount(), 0);
    QVERIFY(!handler.streamHandler().isOpen());
    QCOMPARE(log.count("port lost: " + dev.slavePath() + ": the line hung up"), 1);
}

namespace {
// Waits until the configuration's files have been seen to change.
bool waitForFileChange(QSignalSpy &changed)
{
    const int before = changed.count();
    return QTest::qWaitFor([&changed, before] { return changed.count() > before; }, 5000);
}
} // namespace

void TestInnovateDataHandler::brokenConfigKeptUntilRepaired()
{
    WorkDir wd;
    installOwn(wd);
    Fed fed(QList<MtsChain::Device>{{"W", "WB01"}, {"T", "AN02"}});
    QSignalSpy notices(&fed.handler, &InnovateDataHandler::notice);
    QSignalSpy changed(InnovateMTSExtConfig::instance(), &InnovateMTSExtConfig::filesChanged);
    const QByteArray words = MtsChain::lambda(0, 147, 500) + MtsChain::aux(0) + MtsChain::aux(1023);
    CJob job = fed.data(words);
    QCOMPARE(resultNames(job), (QStringList{"W_1", "T_1", "T_2"}));
    QCOMPARE(job.results.at(1).unit, std::string("degF"));

    // Broken by hand while packets come: every result stays, and the
    // reason is told once.
    wd.write("config/InputConfigs.xml", "<InputConfigs><InputConfig SensorPrefix=\"W\"");
    QVERIFY(waitForFileChange(changed));
    for (int i = 0; i < 3; ++i) {
        job = fed.data(words);
        QCOMPARE(resultNames(job), (QStringList{"W_1", "T_1", "T_2"}));
        QCOMPARE(job.results.at(1).unit, std::string("degF"));
    }
    QCOMPARE(notices.count(), 1);
    const QString text = notices.at(0).at(0).toString();
    QVERIFY2(text.startsWith("config/InputConfigs.xml does not read: ") && text.contains(" at line ")
                 && text.endsWith("the last good one stays in use"),
             qPrintable(text));
    // The broken file is not written over.
    QCOMPARE(wd.read("config/InputConfigs.xml"), QByteArray("<InputConfigs><InputConfig SensorPrefix=\"W\""));

    // Repaired, with T's first input in degC: taken from the next packet.
    wd.write("config/InputConfigs.xml", QByteArray(InputConfigs).replace("unitNum=\"1\">TEMP", "unitNum=\"0\">TEMP"));
    QVERIFY(waitForFileChange(changed));
    job = fed.data(words);
    QCOMPARE(resultNames(job), (QStringList{"W_1", "T_1", "T_2"}));
    QCOMPARE(job.results.at(1).unit, std::string("degC"));
    QCOMPARE(job.results.at(1).realValue, -40.0);
    QCOMPARE(notices.count(), 2);
    QCOMPARE(notices.at(1).at(0).toString(), QString());
}

void TestInnovateDataHandler::deviceAddedOnceTheFileReadsAgain()
{
    // Broken before the source starts: the known device N cannot be added
    // then, and is added once the file reads.
    WorkDir wd;
    installOwn(wd);
    wd.write("config/InputConfigs.xml", "no XML");
    Fed fed(QList<MtsChain::Device>{{"N", "AN02"}});
    QSignalSpy notices(&fed.handler, &InnovateDataHandler::notice);
    QSignalSpy changed(InnovateMTSExtConfig::instance(), &InnovateMTSExtConfig::filesChanged);
    SerialPortSettings s = fed.handler.serialSettings();
    s.name = "/dev/kelvo-missing";
    fed.handler.setSerialSettings(s);
    fed.handler.start();
    QCOMPARE(notices.count(), 1);
    QVERIFY(!notices.at(0).at(0).toString().contains("last good"));
    const QByteArray words = MtsChain::aux(1023) + MtsChain::aux(0);
    QCOMPARE(fed.data(words).getResultCount(), 0);
    QCOMPARE(wd.read("config/InputConfigs.xml"), QByteArray("no XML"));
    wd.write("config/InputConfigs.xml", InputConfigs);
    QVERIFY(waitForFileChange(changed));
    QCOMPARE(fed.data(words).getResultCount(), 0);
    QCOMPARE(storedPrefixes(), (QStringList{"W", "A", "T", "N"}));
    QCOMPARE(resultNames(fed.data(words)), (QStringList{"N_1", "N_2"}));
    QCOMPARE(notices.count(), 2);
}

QTEST_GUILESS_MAIN(TestInnovateDataHandler)
#include "tst_innovatedatahandler.moc"
