// The demo's device streams decode as scripts/device-demo.sh plays them:
// every PLX frame whole and valid, every AEM line a number, every CAN line
// a stamped frame of the listener's three identifiers; the scripted
// Innovate chain gives every value of its two devices in range; the
// 14Point7 sweep gives AFR and BOOST in range, and the script's answering
// side answers the requests with it.
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

QTEST_GUILESS_MAIN(TestDeviceDemo)
#include "tst_devicedemo.moc"

