// The demo's device streams decode as scripts/device-demo.sh plays them:
// every PLX frame whole and valid, every AEM line a number, every CAN line
// a stamped frame of the listener's three identifiers; the scripted
// Innovate chain gives every value of its two devices in range; the
// 14Point7 sweep gives AFR and BOOST in range, and the script's answering
// side answers the requests with it. The names the README gives these
// values are the ones their plot windows show.
#include "aemdatahandler.h"
#include "canbroadcastdecoder.h"
#include "extlinecollector.h"
#include "innovatedatahandler.h"
#include "innovatestandin.h"
#include "plxdatahandler.h"
#include "plxtestfiles.h"
#include "q14point7thread.h"
#include "resultlookup.h"
#include "workdir.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QtTest>

namespace {
QByteArray demoFile(const char *name)
{
    QFile f(QStringLiteral(KELVO_SOURCE_DIR) + "/demo/" + name);
    if (!f.open(QIODevice::ReadOnly))
        return QByteArray();
    return f.readAll();
}
} // namespace

class TestDeviceDemo : public QObject
{
    Q_OBJECT
private slots:
    void plxStreamDecodes();
    void aemStreamDecodes();
    void innovateChainDecodes();
    void canStreamDecodes();
    void fourteenPoint7SweepDecodes();
    void fourteenPoint7ScriptAnswers();
    void readmeNamesValuesAsShown();
};

void TestDeviceDemo::plxStreamDecodes()
{
    WorkDir wd;
    wd.write("config/PLXSensors.xml", PlxTestFiles::installedDefinitions());
    PLXDataHandler handler;
    int frames = 0;
    for (QByteArray line : demoFile("devices/plx.hex").split('\n')) {
        // As the script reads it: comments and spaces go, the rest is hex.
        if (line.contains('#'))
            line = line.left(line.indexOf('#'));
        line = line.simplified().replace(' ', "");
        if (line.isEmpty())
            continue;
        QByteArray bytes = QByteArray::fromHex(line);
        QCOMPARE(bytes.toHex(), line.toLower());
        CJob job;
        bool valid = false;
        handler.onDataReceived(bytes, job, valid);
        QVERIFY2(valid, line.constData());
        QCOMPARE(job.getResultCount(), 4);
        const double lambda = findResult(job, "STAT_AFR_0")->realValue;
        QVERIFY(lambda > 0.75 && lambda < 1.1);
        const double rpm = findResult(job, "STAT_RPM_0")->realValue;
        QVERIFY(rpm >= 800 && rpm <= 6500);
        QVERIFY(findResult(job, "STAT_BOOST_0"));
        QVERIFY(findResult(job, "STAT_SENSOR_1_0"));
        ++frames;
    }
    QCOMPARE(handler.droppedFrames(), 0);
    QVERIFY(frames >= 50);
    // The first frame wrote the configuration: every sensor once.
    QVERIFY(!handler.isConfigMissing());
}

void TestDeviceDemo::aemStreamDecodes()
{
    const QByteArray stream = demoFile("devices/aem.txt");
    QVERIFY(stream.endsWith("\r\n"));
    AEMDataHandler handler;
    handler.setJobName("AEM_AFR");
    handler.setResultName("AEM_AFR_VALUE");
    ExtLineCollector lines;
    // Looped as the script plays it; the first line is cut at the start.
    lines.feed(stream + stream);
    int count = 0;
    QByteArray line;
    while (lines.takeLine(line)) {
        bool ok = false;
        const double afr = AEMDataHandler::lineValue(line, &ok);
        QVERIFY2(ok, line.constData());
        QVERIFY(afr > 11 && afr < 16);
        ++count;
    }
    QCOMPARE(count, 2 * stream.count('\r') - 1);
    QCOMPARE(lines.takeOverlongCount(), 0);
}

void TestDeviceDemo::innovateChainDecodes()
{
    WorkDir wd;
    for (const char *name : {"config/SensorDefs.xml", "config/DeviceDefs.xml", "config/InputConfigs.xml"})
        wd.write(name, demoFile(name));
    const QByteArray script = demoFile("innovate/innovate.json");
    QString error;
    QVERIFY2(InnovateStandIn::loadScript(script, &error), qPrintable(error));
    InnovateStandIn::reset();
    const QJsonObject lm2 = QJsonDocument::fromJson(script).object().value("lm2").toObject();
    InnovateDataHandler handler("INNOVATE_USB");
    QSignalSpy jobs(&handler, &InnovateDataHandler::jobFinished);
    auto bytes = [](const QJsonValue &v) { return QByteArray::fromHex(v.toString().toLatin1()); };
    handler.streamHandler().feed(bytes(lm2.value("ce")) + bytes(lm2.value("f3")));
    QCOMPARE(handler.deviceNames(), (QStringList{"LM-2", "AUX4"}));
    QCOMPARE(handler.deviceTypes(), (QStringList{"LM-2", "AUX4"}));
    const QJsonArray data = lm2.value("data").toArray();
    QVERIFY(data.size() >= 40);
    for (const QJsonValue &packet : data)
        handler.streamHandler().feed(bytes(packet));
    QCOMPARE(jobs.count(), data.size());
    for (const QList<QVariant> &args : jobs) {
        const CJob job = args.at(0).value<CJob>();
        QCOMPARE(job.getResultCount(), 5);
        const struct
        {
            const char *name;
            double low, high;
        } ranges[] = {{"LM-2_1", 11.5, 15.5}, {"AUX4_1", 80, 90},   {"AUX4_2", -0.7, 1.3},
                      {"AUX4_3", 790, 6010},  {"AUX4_4", 0, 110}};
        for (const auto &r : ranges) {
            const double v = findResult(job, r.name)->realValue;
            QVERIFY2(v >= r.low && v <= r.high, qPrintable(QString("%1 %2").arg(r.name).arg(v)));
        }
    }
}

void TestDeviceDemo::canStreamDecodes()
{
    CANBroadcastDecoder decoder;
    QSet<int> ids;
    double topSpeed = 0;
    int frames = 0;
    for (QByteArray line : demoFile("devices/can.slcan").split('\n')) {
        if (line.contains('#'))
            line = line.left(line.indexOf('#'));
        line = line.trimmed();
        if (line.isEmpty())
            continue;
        QVERIFY2(decoder.takeLine(line), line.constData());
        ids << decoder.lastFrame().identifier;
        topSpeed = qMax(topSpeed, decoder.value(CANBroadcastDecoder::VehicleSpeed));
        const double rpm = decoder.value(CANBroadcastDecoder::EngineSpeed);
        QVERIFY(rpm >= 0 && rpm <= 7000);
        ++frames;
    }
    QCOMPARE(ids, (QSet<int>{0x0AA, 0x0CE, 0x1A0}));
    QVERIFY(frames >= 300);
    QVERIFY(topSpeed > 90 && topSpeed <= 100);
}

namespace {
// The hex lines of a stream file, as the script reads them.
QList<QByteArray> hexLines(const char *name)
{
    QList<QByteArray> out;
    for (QByteArray line : demoFile(name).split('\n')) {
        if (line.contains('#'))
            line = line.left(line.indexOf('#'));
        line = line.simplified().replace(' ', "");
        if (!line.isEmpty())
            out << QByteArray::fromHex(line);
    }
    return out;
}
} // namespace

void TestDeviceDemo::fourteenPoint7SweepDecodes()
{
    WorkDir wd;
    Q14Point7Thread source("14POINT7");
    QSignalSpy jobs(&source, &Q14Point7Thread::jobFinished);
    const QList<QByteArray> messages = hexLines("devices/14p7.hex");
    QVERIFY(messages.size() >= 40);
    double low = 100, high = 0, lowBoost = 100, highBoost = -100;
    for (const QByteArray &m : messages) {
        QCOMPARE(m.size(), 21);
        source.onDataRead(m);
        const CJob job = jobs.last().at(0).value<CJob>();
        const double afr = findResult(job, "AFR")->realValue;
        const double boost = findResult(job, "BOOST")->realValue;
        low = qMin(low, afr);
        high = qMax(high, afr);
        lowBoost = qMin(lowBoost, boost);
        highBoost = qMax(highBoost, boost);
    }
    QCOMPARE(jobs.count(), messages.size());
    QVERIFY(low > 10.5 && low < 12);
    QVERIFY(high > 15 && high < 16.5);
    QVERIFY(lowBoost > -5 && highBoost < 25 && highBoost - lowBoost > 15);
    // The TechEdge stream is plain hex too.
    QVERIFY(hexLines("devices/wbo2.hex").size() >= 10);
}

void TestDeviceDemo::fourteenPoint7ScriptAnswers()
{
    QProcess answering;
    answering.setWorkingDirectory(QStringLiteral(KELVO_SOURCE_DIR));
    answering.start("bash", {"scripts/device-demo.sh", "--answer", "14p7"});
    QVERIFY(answering.waitForStarted(10000));
    answering.write(QByteArray::fromHex("01040707"));
    answering.closeWriteChannel();
    QVERIFY(answering.waitForFinished(10000));
    QCOMPARE(answering.exitCode(), 0);
    const QList<QByteArray> messages = hexLines("devices/14p7.hex");
    const QByteArray out = answering.readAllStandardOutput();
    QCOMPARE(out.toHex(), (QByteArray::fromHex("0150") + QByteArray::fromHex("04020a") + messages.at(0)
                           + messages.at(1)).toHex());
}

namespace {
// The names a plot window shows for the results of these jobs.
QSet<QString> shownNames(const QList<CJob> &jobs)
{
    QSet<QString> names;
    for (const CJob &job : jobs)
        for (const CJobResult &r : job.results)
            names << QString::fromLatin1(r.displayName.empty() ? r.name.c_str() : r.displayName.c_str());
    return names;
}

// The Innovate chain the handler reads from these replies and packets; a
// device it has no inputs of yet is filed at the first packet and named
// from the next.
QList<CJob> innovateJobs(const QByteArray &replies, const QList<QByteArray> &packets)
{
    InnovateDataHandler handler("INNOVATE");
    QSignalSpy jobs(&handler, &InnovateDataHandler::jobFinished);
    handler.streamHandler().feed(replies);
    QList<CJob> out;
    for (int round = 0; round < 2; ++round) {
        for (const QByteArray &packet : packets)
            handler.streamHandler().feed(packet);
        QCoreApplication::processEvents();
    }
    for (const QList<QVariant> &args : jobs)
        out << args.at(0).value<CJob>();
    return out;
}

// The first group of every match of the pattern in the README.
QStringList readmeTexts(const QString &readme, const char *pattern)
{
    QStringList out;
    QRegularExpressionMatchIterator it = QRegularExpression(QString::fromLatin1(pattern)).globalMatch(readme);
    while (it.hasNext())
        out << it.next().captured(1);
    return out;
}
} // namespace

void TestDeviceDemo::readmeNamesValuesAsShown()
{
    QFile file(QStringLiteral(KELVO_SOURCE_DIR) + "/README.md");
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QString readme = QString::fromUtf8(file.readAll());
    WorkDir wd;
    for (const char *name : {"config/SensorDefs.xml", "config/DeviceDefs.xml", "config/InputConfigs.xml"})
        wd.write(name, demoFile(name));
    wd.write("config/PLXSensors.xml", PlxTestFiles::installedDefinitions());

    // The demo's LM-2 chain, and the device Troubleshooting > Innovate
    // Simulator plays with the replies its window opens with.
    const QJsonObject lm2 =
        QJsonDocument::fromJson(demoFile("innovate/innovate.json")).object().value("lm2").toObject();
    auto bytes = [](const QJsonValue &v) { return QByteArray::fromHex(v.toString().toLatin1()); };
    QList<QByteArray> packets;
    for (const QJsonValue &packet : lm2.value("data").toArray())
        packets << bytes(packet);
    const QSet<QString> innovate =
        shownNames(innovateJobs(bytes(lm2.value("ce")) + bytes(lm2.value("f3")), packets))
        + shownNames(innovateJobs(QByteArray::fromHex("a285014e4d54586200000000a285017311204d5458620387"),
                                  {QByteArray::fromHex("b2820111031b")}));
    PLXDataHandler plx;
    QList<CJob> plxJobs;
    for (QByteArray frame : hexLines("devices/plx.hex")) {
        CJob job;
        bool valid = false;
        plx.onDataReceived(frame, job, valid);
        plxJobs << job;
    }
    CJob can;
    CANBroadcastDecoder().fillJob(can);

    const struct
    {
        const char *source;
        QSet<QString> shown;
        const char *pattern;
    } named[] = {
        {"Innovate", innovate, "`((?:LM-2|AUX4|TXb)_[^`]*)`"},
        {"PLX", shownNames(plxJobs), "\"([^\"]+ #\\d+)\""},
        {"CAN", shownNames({can}), "\"(Wheel Speed\\d)\""},
    };
    for (const auto &n : named) {
        const QStringList texts = readmeTexts(readme, n.pattern);
        QVERIFY2(!texts.isEmpty(), n.source);
        for (const QString &text : texts)
            QVERIFY2(n.shown.contains(text),
                     qPrintable(QStringLiteral("%1: the README names %2; shown are %3")
                                    .arg(n.source, text, QStringList(n.shown.values()).join(", "))));
    }
}

QTEST_GUILESS_MAIN(TestDeviceDemo)
#include "tst_devicedemo.moc"

