// The Innovate configuration files: sensor definitions, device definitions
// and input configurations as read; the two writers (a changed input, a
// new device's defaults), and a file that does not parse or a disk that is
// full left as it is; a file that stops reading keeps what was read of it,
// and changes on disk are announced.
#include "filesizelimit.h"
#include "innovatemtsextconfig.h"
#include "innovatetestfiles.h"
#include "workdir.h"

#include <QSignalSpy>
#include <QtTest>

using namespace InnovateTestFiles;

class TestInnovateMTSExtConfig : public QObject
{
    Q_OBJECT
private slots:
    void demoFilesLoad();
    void sensorDefinitions();
    void deviceDefinitions();
    void inputConfigurations();
    void missingFilesLeaveTheirTableEmpty();
    void brokenFileKeepsWhatWasRead_data();
    void brokenFileKeepsWhatWasRead();
    void changesOnDiskAnnounced();
    void updateChangesOneInput();
    void updateWithoutUnitKeepsUnit();
    void addNewConfigWritesDefaults();
    void addNewConfigWithoutFileStartsOne();
    void addNewConfigAddsNothing_data();
    void addNewConfigAddsNothing();
    void malformedFileNeverRewritten();
    void fullDiskLeavesTheFile();
    void sharedInstance();
};

void TestInnovateMTSExtConfig::demoFilesLoad()
{
    WorkDir wd;
    installDemo(wd);
    InnovateMTSExtConfig config;
    config.load();
    for (const char *name : {"LAMBDA", "AFR", "TEMP", "PRESSURE", "RPM", "SPEED"})
        QVERIFY2(config.sensorDef(name), name);
    for (const char *type : {"LM-2", "AUX4", "MTXb"})
        QVERIFY2(config.deviceDef(type), type);
    QCOMPARE(config.inputConfigNames(), (QStringList{"LM-2", "AUX4"}));
    const DeviceInputConfig *aux = config.inputConfig("AUX4");
    QCOMPARE(aux->inputs.size(), 4);
    QCOMPARE(aux->inputs.value(3).name, QString("RPM"));
    QCOMPARE(aux->inputs.value(3).unit, QString("RPM"));
    QCOMPARE(aux->inputs.value(2).unit, QString("bar"));
    // Every default function of every device has a definition.
    for (const char *type : {"LM-2", "AUX4", "MTXb"}) {
        for (const QString &f : config.deviceDef(type)->defaultFunc)
            QVERIFY2(config.sensorDef(f), qPrintable(f));
    }
}

void TestInnovateMTSExtConfig::sensorDefinitions()
{
    WorkDir wd;
    wd.write("config/SensorDefs.xml", R"(<R><group>
      <Configuration type="x"><a type="y">TEMP</a><b num="0">degC</b><c>-40</c><d>150.5</d></Configuration>
      <Configuration><a>AFR</a><b>AFR</b><c>7.35</c><d>22.39</d></Configuration>
      <Configuration><a>AFR</a><b num="">ratio</b><c>1</c><d> 9 </d></Configuration>
      <Configuration><a>BLANKMIN</a><b num="1">degF</b><c> </c><d>9</d></Configuration>
      <Configuration><a>NANMAX</a><b num="1">degF</b><c>0</c><d>nan</d></Configuration>
      <Configuration><a>TEXTMIN</a><b num="1">degF</b><c>x</c><d>9</d></Configuration>
      <Configuration><a>BARE</a></Configuration></group></R>)");
    InnovateMTSExtConfig config;
    config.load();
    const SensorDef *temp = config.sensorDef("TEMP");
    QVERIFY(temp);
    QCOMPARE(temp->unit, QString("degC"));
    QCOMPARE(temp->unitNum, 0);
    QCOMPARE(temp->min, -40.0f);
    QCOMPARE(temp->max, 150.5f);
    // The later definition of a name wins; an empty "num".
    const SensorDef *afr = config.sensorDef("AFR");
    QCOMPARE(afr->unit, QString("ratio"));
    QCOMPARE(afr->unitNum, -999);
    QCOMPARE(afr->min, 1.0f);
    QCOMPARE(afr->max, 9.0f);
    // A bound that is no number spans no range (never one from 0): the
    // definition is left out.
    QVERIFY(!config.sensorDef("BLANKMIN"));
    QVERIFY(!config.sensorDef("NANMAX"));
    QVERIFY(!config.sensorDef("TEXTMIN"));
    QCOMPARE(config.sensorDef("BARE")->unitNum, -999);
    QVERIFY(!config.sensorDef("NONE"));
}

void TestInnovateMTSExtConfig::deviceDefinitions()
{
    WorkDir wd;
    wd.write("config/DeviceDefs.xml", R"(<R><deep><dev type="T1" description="three">
      <ch defaultFunc="A"><list><function name="A"/><function name="B"/></list></ch>
      <ch defaultFunc="B"/>
      <ch defaultFunc="C"><function name="C"/></ch></dev></deep></R>)");
    InnovateMTSExtConfig config;
    config.load();
    DeviceDef *def = config.deviceDef("T1");
    QVERIFY(def);
    QCOMPARE(def->description, QString("three"));
    QCOMPARE(def->defaultFunc.keys(), (QList<int>{1, 2, 3}));
    QCOMPARE(def->defaultFunc.value(2), QString("B"));
    QCOMPARE(def->functions.value(1), (QStringList{"A", "B"}));
    QCOMPARE(def->functions.value(2), QStringList());
    QCOMPARE(def->functions.value(3), QStringList{"C"});
}

void TestInnovateMTSExtConfig::inputConfigurations()
{
    WorkDir wd;
    installOwn(wd);
    wd.write("config/InputConfigs.xml", R"(<InputConfigs>
      <InputConfig SensorPrefix="A" devType="AN02">
        <input><number>1</number><config unitNum="1">TEMP</config></input>
        <input><number>2</number><config unitNum="">VOLT</config></input>
        <input><number>3</number><config>NOPE</config></input>
        <input><number> </number><config>TEMP</config></input>
        <input><number>x</number><config>TEMP</config></input>
        <input><number>4</number><config unitNum=" abc ">TEMP</config></input>
      </InputConfig>
      <InputConfig SensorPrefix="U" devType="AN02">
        <input><number>1</number><config>NOPE</config></input>
      </InputConfig>
    </InputConfigs>)");
    InnovateMTSExtConfig config;
    config.load();
    QVERIFY(config.hasInputConfig("A"));
    // A device none of whose functions is known stays unconfigured.
    QVERIFY(!config.hasInputConfig("U"));
    const DeviceInputConfig *a = config.inputConfig("A");
    QCOMPARE(a->devType, QString("AN02"));
    // An input whose number is blank or no number is left out: as input 0
    // it would count as one more input and shift the channels after it.
    QCOMPARE(a->inputs.size(), 3);
    QVERIFY(a->inputs.contains(1) && a->inputs.contains(2) && a->inputs.contains(4));
    QCOMPARE(a->inputs.value(1).unitNum, 1);
    QCOMPARE(a->inputs.value(1).unit, QString("degF"));
    QCOMPARE(a->inputs.value(1).min, -40.0f);
    QCOMPARE(a->inputs.value(2).unitNum, -999);
    QCOMPARE(a->inputs.value(2).unit, QString());
    // A unit number that is no number is no unit (not code 0, degC).
    QCOMPARE(a->inputs.value(4).unitNum, -999);
    QCOMPARE(a->inputs.value(4).unit, QString());
}

void TestInnovateMTSExtConfig::missingFilesLeaveTheirTableEmpty()
{
    WorkDir wd;
    wd.write("config/SensorDefs.xml", SensorDefs);
    wd.write("config/InputConfigs.xml", InputConfigs);
    InnovateMTSExtConfig config;
    config.load();
    QVERIFY(config.sensorDef("VOLT"));
    QVERIFY(!config.deviceDef("WB01"));
    QVERIFY(config.hasInputConfig("A"));
    QVERIFY(QFile::remove("config/SensorDefs.xml"));
    config.load();
    QVERIFY(!config.sensorDef("VOLT"));
    QVERIFY(!config.hasInputConfig("A"));
    QCOMPARE(config.readError(), QString());
}

namespace {
// What the tests change in each file, as the configuration shows it.
QString probe(InnovateMTSExtConfig &config, const QString &file)
{
    if (file.endsWith("SensorDefs.xml")) {
        const SensorDef *def = config.sensorDef("VOLT");
        return def ? QString::number(double(def->max)) : QString("none");
    }
    if (file.endsWith("DeviceDefs.xml")) {
        const DeviceDef *def = config.deviceDef("WB01");
        return def ? def->description : QString("none");
    }
    const DeviceInputConfig *device = config.inputConfig("A");
    return device ? QString::number(device->inputs.value(1).unitNum) : QString("none");
}
} // namespace

void TestInnovateMTSExtConfig::brokenFileKeepsWhatWasRead_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QByteArray>("broken");
    QTest::addColumn<QByteArray>("repaired");
    QTest::addColumn<QString>("before");
    QTest::addColumn<QString>("after");
    const QByteArray sensors(SensorDefs);
    const QByteArray devices(DeviceDefs);
    const QByteArray inputs(InputConfigs);
    QTest::newRow("sensor definitions cut off") << "config/SensorDefs.xml" << sensors.left(sensors.size() / 2)
                                                << QByteArray(sensors).replace("<max>5</max>", "<max>10</max>")
                                                << "5" << "10";
    QTest::newRow("device definitions, a tag left open")
        << "config/DeviceDefs.xml" << QByteArray(devices).replace("</Devs>", "</Devs")
        << QByteArray(devices).replace("wideband", "lambda") << "wideband" << "lambda";
    QTest::newRow("input configurations, not XML")
        << "config/InputConfigs.xml" << QByteArray("this is no XML at all")
        << QByteArray(inputs).replace("unitNum=\"11\">VOLT", "unitNum=\"3\">VOLT") << "11" << "3";
}

void TestInnovateMTSExtConfig::brokenFileKeepsWhatWasRead()
{
    QFETCH(QString, file);
    QFETCH(QByteArray, broken);
    QFETCH(QByteArray, repaired);
    QFETCH(QString, before);
    QFETCH(QString, after);
    {
        WorkDir wd;
        installOwn(wd);
        InnovateMTSExtConfig config;
        config.load();
        QCOMPARE(probe(config, file), before);
        QCOMPARE(config.readError(), QString());
        wd.write(file, broken);
        config.load();
        // The other two files still read; this one's last state stays.
        QCOMPARE(probe(config, file), before);
        QVERIFY(config.sensorDef("TEMP") && config.deviceDef("AN02") && config.hasInputConfig("T"));
        const QString error = config.readError();
        QVERIFY2(error.startsWith(file + " does not read: ") && error.contains(" at line ")
                     && error.endsWith("; the last good one stays in use"),
                 qPrintable(error));
        config.load();
        QCOMPARE(probe(config, file), before);
        wd.write(file, repaired);
        config.load();
        QCOMPARE(probe(config, file), after);
        QCOMPARE(config.readError(), QString());

        // In another folder, a broken file has no last good state: what was
        // read from the first folder's file does not stand in for it.
        WorkDir other;
        installOwn(other);
        other.write(file, broken);
        config.load();
        QCOMPARE(probe(config, file), QString("none"));
        QVERIFY(config.readError().startsWith(file + " does not read: "));
        QVERIFY(!config.readError().contains("last good"));
    }
}

void TestInnovateMTSExtConfig::changesOnDiskAnnounced()
{
    InnovateMTSExtConfig config;
    config.watchFiles();
    QSignalSpy changed(&config, &InnovateMTSExtConfig::filesChanged);
    QSignalSpy written(&config, &InnovateMTSExtConfig::inputConfigChanged);
    // Each load follows the folder then current.
    for (int round = 0; round < 2; ++round) {
        WorkDir wd;
        installOwn(wd);
        config.load();
        changed.clear();
        wd.write("config/InputConfigs.xml", "<broken");
        QVERIFY(changed.wait(5000));
        changed.clear();
        wd.write("config/DeviceDefs.xml", "<broken");
        QVERIFY(changed.wait(5000));
    }
    QCOMPARE(written.count(), 0);
}

void TestInnovateMTSExtConfig::updateChangesOneInput()
{
    WorkDir wd;
    installOwn(wd);
    InnovateMTSExtConfig config;
    config.load();
    QSignalSpy changed(&config, &InnovateMTSExtConfig::inputConfigChanged);
    InputConfigItem item{"T", "AN02", 2, "VOLT", 11};
    QVERIFY(config.updateSensorConfg(item, item));
    QCOMPARE(changed.count(), 1);
    config.load();
    const DeviceInputConfig *t = config.inputConfig("T");
    QCOMPARE(t->inputs.value(2).name, QString("VOLT"));
    QCOMPARE(t->inputs.value(2).unit, QString("V"));
    QCOMPARE(t->inputs.value(1).name, QString("TEMP"));
    QCOMPARE(t->inputs.value(3).name, QString("TEMP"));
    QCOMPARE(config.inputConfig("A")->inputs.value(2).name, QString("VOLT"));
    // An input that is not there: nothing written.
    const QByteArray before = wd.read("config/InputConfigs.xml");
    InputConfigItem missing{"T", "AN02", 9, "VOLT", 11};
    QVERIFY(!config.updateSensorConfg(missing, missing));
    QCOMPARE(changed.count(), 1);
    QCOMPARE(wd.read("config/InputConfigs.xml"), before);
}

void TestInnovateMTSExtConfig::updateWithoutUnitKeepsUnit()
{
    WorkDir wd;
    installOwn(wd);
    InnovateMTSExtConfig config;
    InputConfigItem item{"T", "AN02", 1, "VOLT", -999};
    QVERIFY(config.updateSensorConfg(item, item));
    QVERIFY(wd.read("config/InputConfigs.xml").contains("<config unitNum=\"1\">VOLT</config>"));
}

void TestInnovateMTSExtConfig::addNewConfigWritesDefaults()
{
    WorkDir wd;
    installOwn(wd);
    wd.write("config/DeviceDefs.xml", R"(<R><dev type="T3"><c defaultFunc="TEMP"/><c defaultFunc="NOPE"/><c defaultFunc="VOLT"/></dev></R>)");
    InnovateMTSExtConfig config;
    config.load();
    QSignalSpy changed(&config, &InnovateMTSExtConfig::inputConfigChanged);
    QVERIFY(config.addNewConfig("NEW", "T3"));
    QCOMPARE(changed.count(), 1);
    QCOMPARE(storedPrefixes(), (QStringList{"W", "A", "T", "NEW"}));
    const QString text = QString::fromUtf8(wd.read("config/InputConfigs.xml"));
    // Indented by one per level.
    const int at = text.indexOf("SensorPrefix=\"NEW\"");
    QVERIFY(at > 0 && text.lastIndexOf("\n <InputConfig ", at) > 0);
    QVERIFY(text.indexOf(">\n  <input>\n   <number>1</number>\n   <config unitNum=\"0\">TEMP</config>", at) > 0);
    config.load();
    const DeviceInputConfig *added = config.inputConfig("NEW");
    QVERIFY(added);
    // Channel order; the function without a definition is skipped at reading.
    QCOMPARE(added->inputs.keys().size(), 2);
    QCOMPARE(added->inputs.value(1).name, QString("TEMP"));
    QCOMPARE(added->inputs.value(1).unitNum, 0);
    QCOMPARE(added->inputs.value(3).name, QString("VOLT"));
    QCOMPARE(added->inputs.value(3).unitNum, 11);
    QVERIFY(text.contains("<config>NOPE</config>"));
}

void TestInnovateMTSExtConfig::addNewConfigWithoutFileStartsOne()
{
    WorkDir wd;
    wd.write("config/SensorDefs.xml", SensorDefs);
    wd.write("config/DeviceDefs.xml", DeviceDefs);
    InnovateMTSExtConfig config;
    config.load();
    QVERIFY(config.addNewConfig("W", "WB01"));
    QCOMPARE(storedPrefixes(), QStringList{"W"});
    config.load();
    QCOMPARE(config.inputConfig("W")->inputs.value(1).name, QString("LAMBDA"));
}

void TestInnovateMTSExtConfig::addNewConfigAddsNothing_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("type");
    QTest::newRow("no device definition") << "Z" << "ZZZZ";
    QTest::newRow("configured already") << "A" << "AN02";
    QTest::newRow("configured already, unknown function") << "W" << "BAD1";
}

void TestInnovateMTSExtConfig::addNewConfigAddsNothing()
{
    QFETCH(QString, name);
    QFETCH(QString, type);
    WorkDir wd;
    installOwn(wd);
    InnovateMTSExtConfig config;
    config.load();
    QSignalSpy changed(&config, &InnovateMTSExtConfig::inputConfigChanged);
    QVERIFY(!config.addNewConfig(name, type));
    QCOMPARE(changed.count(), 0);
    QCOMPARE(wd.read("config/InputConfigs.xml"), QByteArray(InputConfigs));
}

void TestInnovateMTSExtConfig::malformedFileNeverRewritten()
{
    WorkDir wd;
    installOwn(wd);
    const QByteArray broken = QByteArray(InputConfigs).replace("</InputConfigs>", "</InputConfig");
    wd.write("config/InputConfigs.xml", broken);
    InnovateMTSExtConfig config;
    config.load();
    QVERIFY(config.inputConfigNames().isEmpty());
    QSignalSpy changed(&config, &InnovateMTSExtConfig::inputConfigChanged);
    InputConfigItem item{"A", "AN02", 1, "TEMP", 0};
    QVERIFY(!config.updateSensorConfg(item, item));
    QVERIFY(!config.addNewConfig("N", "AN02"));
    QCOMPARE(changed.count(), 0);
    QCOMPARE(wd.read("config/InputConfigs.xml"), broken);
    QCOMPARE(QDir("config").entryList(QDir::Files).size(), 3);
}

void TestInnovateMTSExtConfig::fullDiskLeavesTheFile()
{
    WorkDir wd;
    installOwn(wd);
    InnovateMTSExtConfig config;
    config.load();
    QSignalSpy changed(&config, &InnovateMTSExtConfig::inputConfigChanged);
    InputConfigItem item{"T", "AN02", 2, "VOLT", 11};
    {
        // Room for less than the file: both writers fail whole.
        FileSizeLimit limit(rlim_t(qstrlen(InputConfigs) / 2));
        QVERIFY(limit.ok());
        QVERIFY(!config.updateSensorConfg(item, item));
        QVERIFY(!config.addNewConfig("NEW", "AN02"));
    }
    QCOMPARE(changed.count(), 0);
    QCOMPARE(wd.read("config/InputConfigs.xml"), QByteArray(InputConfigs));
    QCOMPARE(QDir("config").entryList(QDir::Files | QDir::Hidden).size(), 3);
    // With room again the change is written.
    QVERIFY(config.updateSensorConfg(item, item));
    QCOMPARE(changed.count(), 1);
}

void TestInnovateMTSExtConfig::sharedInstance()
{
    QCOMPARE(InnovateMTSExtConfig::instance(), InnovateMTSExtConfig::instance());
    QVERIFY(!InnovateMTSExtConfig::instance()->parent());
    QSignalSpy changed(InnovateMTSExtConfig::instance(), &InnovateMTSExtConfig::inputConfigChanged);
    InnovateMTSExtConfig::instance()->notifyInputConfigChanged();
    QCOMPARE(changed.count(), 1);
}

QTEST_GUILESS_MAIN(TestInnovateMTSExtConfig)
#include "tst_innovatemtsextconfig.moc"
