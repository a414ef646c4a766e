// The demo's device streams decode as scripts/device-demo.sh plays them:
// every PLX frame whole and valid, every AEM line a number, every CAN line
// a stamped frame of the listener's three identifiers.
#include "aemdatahandler.h"
#include "canbroadcastdecoder.h"
#include "extlinecollector.h"
#include "plxdatahandler.h"
#include "plxtestfiles.h"
#include "resultlookup.h"
#include "workdir.h"

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
    void canStreamDecodes();
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

QTEST_GUILESS_MAIN(TestDeviceDemo)
#include "tst_devicedemo.moc"

