// The PLX stream decoder and its handler: frames across reads, cut and
// empty frames, result names, display names and units, the conversion
// table, and the sensor configuration file the handler watches, re-creates
// and keeps to while it does not read.
#include "plxdatahandler.h"
#include "plxsensorconfigmanager.h"
#include "plxstream.h"
#include "plxtestfiles.h"
#include "logcapture.h"
#include "resultlookup.h"
#include "workdir.h"

#include <QtTest>

namespace {
QByteArray hex(const char *text)
{
    return QByteArray::fromHex(text);
}

void writeDefinitions(const WorkDir &wd)
{
    QVERIFY(wd.write("config/PLXSensors.xml", PlxTestFiles::installedDefinitions()));
}

QByteArray config(const QList<PlxStream::Sensor> &units)
{
    QByteArray xml = "<SensorConfigs>\n";
    for (const PlxStream::Sensor &s : units)
        xml += QString(" <SensorConfig address=\"%1\" instance=\"%2\" unitNum=\"%3\"/>\n")
                   .arg(s.address)
                   .arg(s.instance)
                   .arg(s.data)
                   .toLatin1();
    return xml + "</SensorConfigs>\n";
}

// One call as the reader makes it.
CJob decode(PLXDataHandler &handler, const QByteArray &bytes, bool *valid)
{
    QByteArray data = bytes;
    CJob job;
    *valid = false;
    handler.onDataReceived(data, job, *valid);
    return job;
}
} // namespace

class TestPlxDataHandler : public QObject
{
    Q_OBJECT
private slots:
    void decodesRecords_data();
    void decodesRecords();
    void conversionTable_data();
    void conversionTable();
    void framesAcrossReads();
    void badFramesGiveNothing_data();
    void badFramesGiveNothing();
    void namesAndUnitsFromDefinitions();
    void deletedConfigurationIsWrittenAgain();
    void configurationDeletedRightAfterItsWrite();
    void unitChangeAppliesFromNextFrame();
    void brokenConfigurationKeepsTheUnits();
    void pseudoJobAndDefaults();
};

void TestPlxDataHandler::decodesRecords_data()
{
    QTest::addColumn<QByteArray>("frame");
    QTest::addColumn<int>("unit");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("display");
    QTest::addColumn<double>("value");
    QTest::newRow("lambda") << hex("80000000012040") << 0 << "STAT_AFR_0" << "Sensor_0 #0" << 0.936;
    QTest::newRow("afr") << hex("80000000012040") << 1 << "STAT_AFR_0" << "Sensor_0 #0" << 13.764705882352942;
    QTest::newRow("rpm") << PlxStream::frame({{6, 0, 100}}) << 0 << "STAT_RPM_0" << "Sensor_6 #0" << 1955.0;
    QTest::newRow("rpm any unit") << PlxStream::frame({{6, 0, 100}}) << 5 << "STAT_RPM_0" << "Sensor_6 #0"
                                  << 1955.0;
    QTest::newRow("no prefix") << PlxStream::frame({{25, 2, 7}}) << 0 << "STAT_SENSOR_25_2" << "Sensor_25 #2"
                               << -999.0;
    QTest::newRow("egt") << PlxStream::frame({{1, 0, 700}}) << 0 << "STAT_SENSOR_1_0" << "Sensor_1 #0" << 700.0;
    QTest::newRow("no formula") << hex("80000000012040") << 7 << "STAT_AFR_0" << "Sensor_0 #0" << -999.0;
    QTest::newRow("big address") << PlxStream::frame({{4095, 63, 4095}}) << 0 << "STAT_SENSOR_4095_63"
                                 << "Sensor_4095 #63" << -999.0;
}

void TestPlxDataHandler::decodesRecords()
{
    QFETCH(QByteArray, frame);
    QFETCH(int, unit);
    QFETCH(QString, name);
    QFETCH(QString, display);
    QFETCH(double, value);
    WorkDir wd;
    const PLXStreamDecoder::Record r = PLXStreamDecoder::record(frame, 0);
    wd.write("config/PLXSensorsConfig.xml", config({{r.address, r.instance, unit}}));
    PLXDataHandler handler;
    bool valid = false;
    const CJob job = decode(handler, frame, &valid);
    QVERIFY(valid);
    QCOMPARE(job.getResultCount(), 1);
    const CJobResult &res = job.resultAt(0);
    QCOMPARE(QString::fromStdString(res.name), name);
    QCOMPARE(QString::fromStdString(res.displayName), display);
    QCOMPARE(res.comment, res.displayName);
    QCOMPARE(res.typeName, std::string("real"));
    QCOMPARE(res.format, 8);
    QVERIFY2(qAbs(res.realValue - value) < 1e-9, qPrintable(QString::number(res.realValue, 'g', 17)));
    QCOMPARE(QString(res.textValue), QString::asprintf("%E", res.realValue));
    QCOMPARE(res.unit, std::string()); // no definitions: no unit names
}

void TestPlxDataHandler::conversionTable_data()
{
    QTest::addColumn<int>("address");
    QTest::addColumn<int>("unit");
    QTest::addColumn<int>("raw");
    QTest::addColumn<double>("value");
    QTest::newRow("afr diesel") << 0 << 2 << 258 << 20.0;
    QTest::newRow("afr methanol") << 0 << 3 << 0 << 4.35;
    QTest::newRow("afr ethanol") << 0 << 4 << 0 << 6.17;
    QTest::newRow("afr lpg") << 0 << 5 << 0 << 10.56;
    QTest::newRow("afr cng") << 0 << 6 << 218 << 21.7;
    QTest::newRow("egt degF") << 1 << 1 << 111 << 232.0;
    QTest::newRow("oil degC") << 2 << 2 << 90 << 90.0;
    QTest::newRow("oil degF") << 2 << 3 << 111 << 232.0;
    QTest::newRow("vacuum inHg") << 3 << 0 << 0 << 29.93;
    QTest::newRow("vacuum mmHg") << 3 << 1 << 0 << -760.4;
    QTest::newRow("vacuum none") << 3 << 2 << 0 << -999.0;
    QTest::newRow("boost psi") << 4 << 4 << 2273 << 100.0;
    QTest::newRow("boost bar") << 4 << 5 << 32947 << 100.0;
    QTest::newRow("boost none") << 4 << 6 << 1 << -999.0;
    QTest::newRow("iat degF") << 5 << 1 << 0 << 32.0;
    QTest::newRow("speed 0") << 7 << 0 << 639 << 100.0;
    QTest::newRow("speed 1") << 7 << 1 << 397 << 100.0;
    QTest::newRow("throttle") << 8 << 9 << 55 << 55.0;
    QTest::newRow("load") << 9 << 0 << 12 << 12.0;
    QTest::newRow("pressure 3") << 10 << 3 << 5115 << 1000.0;
    QTest::newRow("pressure 4") << 10 << 4 << 7273 << 100.0;
    QTest::newRow("pressure 5") << 10 << 5 << 7422 << 100.0;
    QTest::newRow("pressure none") << 10 << 6 << 1 << -999.0;
    QTest::newRow("timing") << 11 << 3 << 0 << -64.0;
    QTest::newRow("map") << 12 << 1 << 3386 << 1000.0;
    QTest::newRow("maf") << 13 << 1 << 754 << 100.0;
    QTest::newRow("stft") << 14 << 0 << 100 << 0.0;
    QTest::newRow("ltft") << 15 << 2 << 0 << -100.0;
    QTest::newRow("narrowband") << 16 << 1 << 7843 << 100.0;
    QTest::newRow("fuel") << 17 << 0 << 40 << 40.0;
    QTest::newRow("volts") << 18 << 0 << 5115 << 100.0;
    QTest::newRow("knock") << 19 << 0 << 2046 << 10.0;
    QTest::newRow("duty +") << 20 << 0 << 1023 << 100.0;
    QTest::newRow("duty -") << 20 << 1 << 1023 << 0.0;
    QTest::newRow("duty none") << 20 << 2 << 1023 << -999.0;
    QTest::newRow("beyond 20") << 21 << 0 << 5 << -999.0;
    QTest::newRow("negative") << -1 << 0 << 5 << -999.0;
}

void TestPlxDataHandler::conversionTable()
{
    QFETCH(int, address);
    QFETCH(int, unit);
    QFETCH(int, raw);
    QFETCH(double, value);
    const double got = PLXDataHandler::convertValue(address, unit, raw);
    QVERIFY2(qAbs(got - value) < 1e-9, qPrintable(QString::number(got, 'g', 17)));
}

void TestPlxDataHandler::framesAcrossReads()
{
    WorkDir wd;
    wd.write("config/PLXSensorsConfig.xml", config({}));
    PLXDataHandler handler;
    const QByteArray first = PlxStream::frame({{6, 0, 1}});
    const QByteArray second = PlxStream::frame({{6, 0, 2}, {6, 1, 3}});
    bool valid = false;
    // Two frames in one block: the second, the newer reading.
    CJob job = decode(handler, first + second, &valid);
    QVERIFY(valid);
    QCOMPARE(job.getResultCount(), 2);
    QCOMPARE(job.resultAt(0).realValue, 2 * 19.55);
    QCOMPARE(job.jobName, std::string("PLX_SERIAL_REALTIME"));
    QCOMPARE(job.ecuName, std::string());
    QVERIFY(qAbs(job.timeStamp - QDateTime::currentMSecsSinceEpoch()) < 5000);

    // A frame and half of the next: the first now, the half completes later.
    job = decode(handler, first + second.left(6), &valid);
    QVERIFY(valid);
    QCOMPARE(job.getResultCount(), 1);
    QCOMPARE(job.resultAt(0).realValue, 19.55);
    job = decode(handler, second.mid(6), &valid);
    QVERIFY(valid);
    QCOMPARE(job.getResultCount(), 2);
    QCOMPARE(job.resultAt(1).realValue, 3 * 19.55);
    QCOMPARE(job.resultAt(1).name, std::string("STAT_RPM_1"));

    // A frame cut over three reads, with garbage before it.
    job = decode(handler, hex("41 3f 80 00"), &valid);
    QVERIFY(!valid);
    job = decode(handler, hex("06 00 01"), &valid);
    QVERIFY(!valid);
    QCOMPARE(job.getResultCount(), 0);
    job = decode(handler, hex("24 40"), &valid);
    QVERIFY(valid);
    QCOMPARE(job.resultAt(0).realValue, 100 * 19.55);

    // A frame and a cut one after it: the whole frame is the last one.
    job = decode(handler, first + hex("80 00 06 00 40"), &valid);
    QVERIFY(valid);
    QCOMPARE(job.getResultCount(), 1);
    QCOMPARE(job.resultAt(0).realValue, 19.55);
    QCOMPARE(handler.droppedFrames(), 1);
}

void TestPlxDataHandler::badFramesGiveNothing_data()
{
    QTest::addColumn<QList<QByteArray>>("reads");
    QTest::addColumn<int>("dropped");
    QTest::newRow("garbage") << QList<QByteArray>{hex("00 3f 41 ff 40 40 7f")} << 0;
    QTest::newRow("0x41 inside") << QList<QByteArray>{hex("80 00 00 00 01 41 40")} << 1;
    QTest::newRow("0xff inside") << QList<QByteArray>{hex("80 00 00 ff 01 20 40")} << 1;
    QTest::newRow("cut by a start") << QList<QByteArray>{hex("80 00 06 00"), hex("80 00")} << 1;
    QTest::newRow("endless") << QList<QByteArray>{hex("80") + QByteArray(5000, '\x01'),
                                                  QByteArray(5000, '\x02') + hex("40")}
                             << 1;
    // A cut frame read on into the next one that lost its start byte:
    // shifted records would give a false lambda and a phantom sensor.
    QTest::newRow("cut, then a frame without its start")
        << QList<QByteArray>{hex("80 00 00") + PlxStream::frame({{0, 0, 96}, {6, 0, 100}}).mid(1)} << 1;
    QTest::newRow("the same over two reads")
        << QList<QByteArray>{hex("80 00 00"), PlxStream::frame({{0, 0, 96}, {6, 0, 100}}).mid(1)} << 1;
    // A body that is no whole number of records, short or long by a byte.
    QTest::newRow("four bytes") << QList<QByteArray>{hex("80 00 00 01 20 40")} << 1;
    QTest::newRow("six bytes") << QList<QByteArray>{hex("80 00 00 00 00 01 20 40")} << 1;
    QTest::newRow("nine bytes") << QList<QByteArray>{hex("80 00 00 00 01 20 00 06 00 01 40")} << 1;
    // No records: no job, which would empty the plot's table.
    QTest::newRow("empty frame") << QList<QByteArray>{hex("80 40")} << 1;
    QTest::newRow("empty frames in noise") << QList<QByteArray>{hex("13 80 40 7f 80 40 22 80 40")} << 3;
}

void TestPlxDataHandler::badFramesGiveNothing()
{
    QFETCH(QList<QByteArray>, reads);
    QFETCH(int, dropped);
    WorkDir wd;
    wd.write("config/PLXSensorsConfig.xml", config({}));
    PLXDataHandler handler;
    for (const QByteArray &read : reads) {
        bool valid = true;
        decode(handler, read, &valid);
        QVERIFY(!valid);
    }
    QCOMPARE(handler.droppedFrames(), dropped);
    // The next good frame decodes.
    bool valid = false;
    const CJob job = decode(handler, PlxStream::frame({{6, 0, 1}}), &valid);
    QVERIFY(valid);
    QCOMPARE(job.getResultCount(), 1);
}

void TestPlxDataHandler::namesAndUnitsFromDefinitions()
{
    WorkDir wd;
    writeDefinitions(wd);
    wd.write("config/PLXSensorsConfig.xml", config({{0, 0, 1}, {2, 1, 3}, {0, 1, 9}}));
    PLXDataHandler handler;
    bool valid = false;
    const CJob job = decode(handler, PlxStream::frame({{0, 0, 96}, {2, 1, 111}, {0, 1, 96}, {6, 0, 1}}), &valid);
    QVERIFY(valid);
    QCOMPARE(job.getResultCount(), 4);
    QCOMPARE(job.resultAt(0).displayName, std::string("Wideband air/fuel #0"));
    QCOMPARE(job.resultAt(0).unit, std::string("AFR gasoline"));
    QVERIFY(qAbs(job.resultAt(0).realValue - 13.7647) < 1e-4);
    QCOMPARE(job.resultAt(1).name, std::string("STAT_FLUID_TEMP_1"));
    QCOMPARE(job.resultAt(1).displayName, std::string("Fluid temperature #1"));
    QCOMPARE(job.resultAt(1).unit, std::string("Oil degF"));
    QCOMPARE(job.resultAt(1).realValue, 111 / 0.555 + 32);
    // A unit number the definitions do not list: no name, no formula.
    QCOMPARE(job.resultAt(2).unit, std::string());
    QCOMPARE(job.resultAt(2).realValue, -999.0);
    // A sensor without configuration: unit 0, no unit name.
    QCOMPARE(job.resultAt(3).displayName, std::string("Engine speed #0"));
    QCOMPARE(job.resultAt(3).unit, std::string());
}

void TestPlxDataHandler::deletedConfigurationIsWrittenAgain()
{
    WorkDir wd;
    writeDefinitions(wd);
    wd.write("config/PLXSensorsConfig.xml", config({{0, 0, 1}}));
    PLXDataHandler handler;
    QVERIFY(!handler.isConfigMissing());
    QVERIFY(QFile::remove("config/PLXSensorsConfig.xml"));
    QTRY_VERIFY(handler.isConfigMissing());

    bool valid = false;
    CJob job = decode(handler, PlxStream::frame({{0, 0, 96}, {6, 0, 1}, {0, 0, 96}}), &valid);
    QVERIFY(valid);
    QVERIFY(!handler.isConfigMissing());
    // Each sensor once, in unit 0; this frame was read before the file
    // came back, in unit 0 as well.
    QCOMPARE(PlxTestFiles::stored(), (QStringList{"0/0/0", "6/0/0"}));
    QCOMPARE(job.resultAt(0).realValue, 0.936);
    QCOMPARE(job.resultAt(0).unit, std::string());

    // Gone again: the sensors seen before come back with the new one, once.
    // The watcher is armed again from the event loop.
    QTest::qWait(50);
    QVERIFY(QFile::remove("config/PLXSensorsConfig.xml"));
    QTRY_VERIFY(handler.isConfigMissing());
    job = decode(handler, PlxStream::frame({{4, 1, 5}, {0, 0, 96}}), &valid);
    QVERIFY(valid);
    QCOMPARE(PlxTestFiles::stored(), (QStringList{"0/0/0", "6/0/0", "4/1/0"}));
    // From the next frame on, the new file's unit names apply.
    job = decode(handler, PlxStream::frame({{0, 0, 96}}), &valid);
    QCOMPARE(job.resultAt(0).unit, std::string("Lambda"));
}

void TestPlxDataHandler::configurationDeletedRightAfterItsWrite()
{
    WorkDir wd;
    writeDefinitions(wd);
    PLXDataHandler handler;
    QVERIFY(handler.isConfigMissing());
    bool valid = false;
    decode(handler, PlxStream::frame({{0, 0, 96}}), &valid);
    QVERIFY(valid);
    QCOMPARE(PlxTestFiles::stored(), QStringList{"0/0/0"});
    // Deleted before the handler is back in the event loop to watch the
    // file it wrote: the next frame writes it again all the same.
    QVERIFY(QFile::remove("config/PLXSensorsConfig.xml"));
    QTRY_VERIFY(handler.isConfigMissing());
    decode(handler, PlxStream::frame({{0, 0, 96}, {6, 0, 1}}), &valid);
    QVERIFY(valid);
    QVERIFY(!handler.isConfigMissing());
    QCOMPARE(PlxTestFiles::stored(), (QStringList{"0/0/0", "6/0/0"}));
    // And watched from then on: a later delete is seen too.
    QTest::qWait(50);
    QVERIFY(QFile::remove("config/PLXSensorsConfig.xml"));
    QTRY_VERIFY(handler.isConfigMissing());
}

void TestPlxDataHandler::unitChangeAppliesFromNextFrame()
{
    WorkDir wd;
    writeDefinitions(wd);
    wd.write("config/PLXSensorsConfig.xml", config({{0, 0, 0}}));
    PLXDataHandler handler;
    const QByteArray frame = hex("80000000012040");
    bool valid = false;
    QCOMPARE(decode(handler, frame, &valid).resultAt(0).realValue, 0.936);

    // The change goes through SafeFile, which replaces the watched file.
    PLXSensorConfigManager form;
    form.load();
    QVERIFY(form.updateSensorConf(&form.sensorConfigs().first(), 1));
    auto afr = [&]() { return decode(handler, frame, &valid).resultAt(0).realValue; };
    QTRY_VERIFY(qAbs(afr() - 13.7647) < 1e-4);
    QCOMPARE(decode(handler, frame, &valid).resultAt(0).unit, std::string("AFR gasoline"));

    // And a second change after the watcher was armed again.
    form.load();
    QVERIFY(form.updateSensorConf(&form.sensorConfigs().first(), 5));
    QTRY_VERIFY(qAbs(afr() - (96 / 2.417 + 105.6) / 10) < 1e-9);
}

void TestPlxDataHandler::brokenConfigurationKeepsTheUnits()
{
    WorkDir wd;
    writeDefinitions(wd);
    wd.write("config/PLXSensorsConfig.xml", config({{0, 0, 1}}));
    LogCapture log("plx");
    PLXDataHandler handler;
    QSignalSpy notices(&handler, &PLXDataHandler::notice);
    const QByteArray frame = hex("80000000012040");
    const double afr = (96 / 2.55 + 100) / 10;
    bool valid = false;
    QCOMPARE(decode(handler, frame, &valid).resultAt(0).realValue, afr);

    // Broken by hand while the source runs: the frames after the reload
    // keep the unit read last, under its name, and the file stays.
    const QByteArray broken = "<SensorConfigs>\n <SensorConfig address=\"0\" instance=\"0\" unitNum=\"3\"";
    QVERIFY(wd.write("config/PLXSensorsConfig.xml", broken));
    CJob job;
    QTRY_VERIFY((job = decode(handler, frame, &valid), log.contains("not read")));
    QVERIFY(valid);
    QCOMPARE(job.resultAt(0).realValue, afr);
    QCOMPARE(job.resultAt(0).unit, std::string("AFR gasoline"));
    QVERIFY(!handler.isConfigMissing());
    QCOMPARE(wd.read("config/PLXSensorsConfig.xml"), broken);
    QCOMPARE(log.count("the units read last stay"), 1);
    // The user is told once, in words that name the file and the reason.
    QCOMPARE(notices.size(), 1);
    const QString said = notices.first().first().toString();
    QVERIFY2(said.startsWith("config/PLXSensorsConfig.xml does not read: ") &&
                 said.endsWith("; the units read last stay in use"),
             qPrintable(said));
    QCOMPARE(handler.configNotice(), said);

    // Repaired: its unit from the next frame on.
    QTest::qWait(50);
    QVERIFY(wd.write("config/PLXSensorsConfig.xml", config({{0, 0, 5}})));
    QTRY_VERIFY(qAbs(decode(handler, frame, &valid).resultAt(0).realValue - (96 / 2.417 + 105.6) / 10) < 1e-9);
    QVERIFY(log.contains("reads again"));
    QCOMPARE(notices.size(), 2);
    QCOMPARE(notices.last().first().toString(), QString());
}

void TestPlxDataHandler::pseudoJobAndDefaults()
{
    WorkDir wd;
    CJob job("X", "Y");
    job.errorText = "old";
    PLXDataHandler::fillJob(job);
    QCOMPARE(job.ecuName, std::string("PLX"));
    QCOMPARE(job.jobName, std::string("PLX_SERIAL_REALTIME"));
    QCOMPARE(job.jobTitle, std::string("PLX real-time"));
    PLXDataHandler handler;
    QVERIFY(handler.isConfigMissing());
    QCOMPARE(handler.serialSettings().baudRate, 19200);
    QCOMPARE(handler.serialSettings().dataBits, 8);
    QCOMPARE(handler.serialSettings().parity, 0);
    QCOMPARE(handler.serialSettings().stopBits, 1);
    QCOMPARE(handler.serialSettings().flowControl, 0);
    QCOMPARE(qobject_cast<ExtSourceDataHandler *>(&handler), static_cast<ExtSourceDataHandler *>(&handler));
    CJobResult r;
    handler.fillJobResult(hex("0000000120"), r);
    QCOMPARE(r.name, std::string("STAT_AFR_0"));
    QCOMPARE(r.realValue, 0.936);
}

QTEST_GUILESS_MAIN(TestPlxDataHandler)
#include "tst_plxdatahandler.moc"
