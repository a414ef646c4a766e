// The PLX sensor files and "PLX Config": definitions and configurations
// read, units written by their numbers, the list rebuilt, the file deleted,
// and a configuration that does not parse left as it is, told, and taken
// again once it reads.
#include "filesizelimit.h"
#include "plxconfigform.h"
#include "plxdatahandler.h"
#include "plxsensorconfigmanager.h"
#include "plxstream.h"
#include "plxtestfiles.h"
#include "workdir.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QListView>
#include <QPushButton>
#include <QtTest>

namespace {
// Two kinds of sensor; the second lists its units out of order, and the
// third definition has no integer address.
const char *const Definitions = R"(<?xml version="1.0"?>
<Defs>
 <SensorDefinition><Name>Wideband</Name><Address>0</Address>
  <Units><Unit name="Lambda" num="0"/><Unit name="AFR" num="1"/></Units></SensorDefinition>
 <SensorDefinition><N>Temperature</N><A> 2 </A>
  <U><Unit name="Oil degC" num="2"/><Unit name="Water degC" num="0"/><Unit name="Water degF" num="1"/>
     <Unit name="Broken" num="x"/></U></SensorDefinition>
 <SensorDefinition><Name>Nameless</Name><Address>two</Address><Units/></SensorDefinition>
</Defs>
)";

const char *const Configs = R"(<SensorConfigs>
 <SensorConfig address="0" instance="0" unitNum="1"/>
 <SensorConfig address="2" instance="1" unitNum="2"/>
 <Other address="2" instance="1" unitNum="1"/>
 <SensorConfig address="9" instance="0" unitNum="4"/>
 <SensorConfig address="x" instance="0" unitNum="4"/>
</SensorConfigs>
)";

// A working directory with both files above.
struct Files
{
    Files()
    {
        wd.write("config/PLXSensors.xml", Definitions);
        wd.write("config/PLXSensorsConfig.xml", Configs);
    }
    WorkDir wd;
};

struct Form
{
    PLXConfigForm form;
    QListView *list = form.findChild<QListView *>("listView");
    QComboBox *combo = form.findChild<QComboBox *>("comboBox");
    QString label(const char *name) { return form.findChild<QLabel *>(name)->text(); }
    // What the window says it could not do, or nothing while all is well.
    QString problem()
    {
        auto *l = form.findChild<QLabel *>("lblProblem");
        return l->isHidden() ? QString() : l->text();
    }
    QStringList rows()
    {
        QStringList r;
        for (int i = 0; i < list->model()->rowCount(); ++i)
            r << list->model()->index(i, 0).data().toString();
        return r;
    }
    QStringList units()
    {
        QStringList u;
        for (int i = 0; i < combo->count(); ++i)
            u << combo->itemText(i);
        return u;
    }
    void select(int row)
    {
        const QModelIndex index = list->model()->index(row, 0);
        list->setCurrentIndex(index);
        QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier, list->visualRect(index).center());
    }
    // As the user picks an entry of the unit combo.
    void choose(int index) { QMetaObject::invokeMethod(combo, "activated", Q_ARG(int, index)); }
};

} // namespace

class TestPlxConfig : public QObject
{
    Q_OBJECT
private slots:
    void managerReadsBothFiles();
    void formShowsStoredUnits();
    void choosingWritesTheUnitNumber();
    void firstOfEqualEntriesChanges();
    void invalidChoicesChangeNothing();
    void deleteConfigEmptiesListAndFile();
    void emptyListIsSafe();
    void malformedConfigurationStaysUntouched();
    void configurationBrokenWhileShown();
    void followsTheFileOnDisk();
    void fullDiskKeepsTheConfiguration();
};

void TestPlxConfig::managerReadsBothFiles()
{
    Files files;
    PLXSensorConfigManager manager;
    QVERIFY(manager.sensorDefs().isEmpty()); // nothing until load()
    manager.load();
    QCOMPARE(manager.sensorDefs().size(), 2);
    QCOMPARE(manager.definition(2)->name, QString("Temperature"));
    QCOMPARE(manager.definition(2)->units.size(), 4);
    QCOMPARE(manager.definition(2)->units.at(1), qMakePair(QString("Water degC"), QString("0")));
    // Every child of the root counts; one without an integer address not.
    QCOMPARE(PlxTestFiles::stored(), (QStringList{"0/0/1", "2/1/2", "2/1/1", "9/0/4"}));
    QCOMPARE(manager.sensorConfigs().at(0).unitName, QString("AFR"));
    QCOMPARE(manager.sensorConfigs().at(1).unitName, QString("Oil degC"));
    QCOMPARE(manager.sensorConfigs().at(3).unitName, QString());
    // Loading again starts from scratch.
    manager.load();
    QCOMPARE(manager.sensorConfigs().size(), 4);

    // The installed definitions: every kind of the stream, 0 to 20.
    files.wd.write("config/PLXSensors.xml", PlxTestFiles::installedDefinitions());
    manager.load();
    QCOMPARE(manager.sensorDefs().size(), 21);
    for (int address = 0; address <= 20; ++address) {
        const PLXSensorDefinition *def = manager.definition(address);
        QVERIFY(def && !def->name.isEmpty() && !def->units.isEmpty());
        for (const auto &unit : def->units) {
            // Every unit listed has a formula in the conversion table.
            QVERIFY2(PLXDataHandler::convertValue(address, unit.second.toInt(), 100) != -999.0,
                     qPrintable(def->name + " " + unit.first));
        }
    }
}

void TestPlxConfig::formShowsStoredUnits()
{
    Files files;
    Form f;
    f.form.show();
    QCOMPARE(f.form.windowTitle(), QString("PLX Config"));
    QCOMPARE(f.rows(), (QStringList{"Wideband #0", "Temperature #1", "Temperature #1", " #0"}));
    // The first row is shown from the start.
    QCOMPARE(f.list->currentIndex().row(), 0);
    QCOMPARE(f.units(), (QStringList{"Lambda", "AFR"}));
    QCOMPARE(f.combo->currentText(), QString("AFR"));
    QCOMPARE(f.label("lblSensorAddress"), QString("0"));
    QCOMPARE(f.label("lblInstance"), QString("0"));
    QCOMPARE(f.label("lblUnitNum"), QString("1"));
    // Units out of order: the one whose number is stored, not the position.
    f.select(1);
    QCOMPARE(f.units(), (QStringList{"Oil degC", "Water degC", "Water degF", "Broken"}));
    QCOMPARE(f.combo->currentText(), QString("Oil degC"));
    QCOMPARE(f.label("lblUnitNum"), QString("2"));
    // A sensor without definition: no units to choose.
    f.select(3);
    QCOMPARE(f.units(), QStringList());
    QCOMPARE(f.label("lblSensorAddress"), QString("9"));
    // Keys move the current row; the release shows it.
    f.list->setFocus();
    QTest::keyClick(f.list, Qt::Key_Up);
    QCOMPARE(f.label("lblInstance"), QString("1"));
    QCOMPARE(f.combo->currentText(), QString("Water degF"));
}

void TestPlxConfig::choosingWritesTheUnitNumber()
{
    Files files;
    Form f;
    f.select(1);
    // "Water degC" is the second entry and has the number 0.
    f.choose(1);
    QCOMPARE(PlxTestFiles::stored().at(1), QString("2/1/0"));
    QCOMPARE(f.list->currentIndex().row(), 1);
    QCOMPARE(f.combo->currentText(), QString("Water degC"));
    QCOMPARE(f.label("lblUnitNum"), QString("0"));
    f.choose(0);
    QCOMPARE(PlxTestFiles::stored().at(1), QString("2/1/2"));
    QCOMPARE(f.combo->currentText(), QString("Oil degC"));
    // The file keeps its own form.
    QVERIFY(files.wd.read("config/PLXSensorsConfig.xml").startsWith("<SensorConfigs>"));
}

void TestPlxConfig::firstOfEqualEntriesChanges()
{
    Files files;
    Form f;
    // The second of the two equal sensors is chosen; the first changes.
    f.select(2);
    f.choose(2);
    QCOMPARE(PlxTestFiles::stored(), (QStringList{"0/0/1", "2/1/1", "2/1/1", "9/0/4"}));
}

void TestPlxConfig::invalidChoicesChangeNothing()
{
    Files files;
    const QByteArray before = files.wd.read("config/PLXSensorsConfig.xml");
    Form f;
    f.select(1);
    f.choose(3);  // "Broken" has no number
    f.choose(-1); // nothing chosen
    f.choose(17); // no such entry
    f.list->setCurrentIndex(QModelIndex());
    f.choose(0); // no sensor
    QCOMPARE(files.wd.read("config/PLXSensorsConfig.xml"), before);
}

void TestPlxConfig::deleteConfigEmptiesListAndFile()
{
    Files files;
    Form f;
    QTest::mouseClick(f.form.findChild<QPushButton *>("btnDeleteConfig"), Qt::LeftButton);
    QVERIFY(!QFile::exists("config/PLXSensorsConfig.xml"));
    QCOMPARE(f.rows(), QStringList());
    QCOMPARE(f.units(), QStringList());
    QCOMPARE(f.label("lblUnitNum"), QString());
    // Twice does no harm.
    QTest::mouseClick(f.form.findChild<QPushButton *>("btnDeleteConfig"), Qt::LeftButton);
    QCOMPARE(f.rows(), QStringList());
}

void TestPlxConfig::emptyListIsSafe()
{
    WorkDir wd;
    Form f;
    f.form.show();
    QCOMPARE(f.rows(), QStringList());
    f.list->setFocus();
    QTest::keyClick(f.list, Qt::Key_Down);
    QTest::keyRelease(f.list, Qt::Key_Space);
    f.choose(0);
    QCOMPARE(f.label("lblSensorAddress"), QString());
    QVERIFY(!QFile::exists("config/PLXSensorsConfig.xml"));
}

void TestPlxConfig::malformedConfigurationStaysUntouched()
{
    WorkDir wd;
    wd.write("config/PLXSensors.xml", Definitions);
    const QByteArray broken = "<SensorConfigs>\n <SensorConfig address=\"0\" instance=\"0\" unitNum=\"1\"/>\n";
    wd.write("config/PLXSensorsConfig.xml", broken);
    PLXSensorConfigManager manager;
    manager.load();
    QVERIFY(manager.sensorConfigs().isEmpty());
    PLXSensorConf conf;
    QVERIFY(!manager.updateSensorConf(&conf, 1));
    QCOMPARE(wd.read("config/PLXSensorsConfig.xml"), broken);
    Form f;
    QCOMPARE(f.rows(), QStringList());
    QVERIFY2(f.problem().contains("config/PLXSensorsConfig.xml does not read"),
             qPrintable(f.problem()));
    // A running PLX source reads on and writes nothing over it.
    PLXDataHandler handler;
    QVERIFY(!handler.isConfigMissing());
    QByteArray frame = PlxStream::frame({{0, 0, 96}});
    CJob job;
    bool valid = false;
    handler.onDataReceived(frame, job, valid);
    QVERIFY(valid);
    QCOMPARE(wd.read("config/PLXSensorsConfig.xml"), broken);
}

void TestPlxConfig::configurationBrokenWhileShown()
{
    Files files;
    Form f;
    const QStringList rows = f.rows();
    // Broken by hand while the window is open; then the user picks "Lambda"
    // for the first sensor, stored as "AFR".
    const QByteArray broken = "<SensorConfigs>\n <SensorConfig address=\"0\" instance=\"0\" unitNum=\"1\"/>\n";
    files.wd.write("config/PLXSensorsConfig.xml", broken);
    f.select(0);
    f.choose(0);
    QCOMPARE(files.wd.read("config/PLXSensorsConfig.xml"), broken);
    QCOMPARE(f.rows(), rows);
    QCOMPARE(f.list->currentIndex().row(), 0);
    QCOMPARE(f.combo->currentText(), QString("AFR"));
    QCOMPARE(f.label("lblUnitNum"), QString("1"));
    QVERIFY2(f.problem().startsWith("Unit not changed: config/PLXSensorsConfig.xml does not read"),
             qPrintable(f.problem()));
    // Another row still shows what was read.
    f.select(1);
    QCOMPARE(f.combo->currentText(), QString("Oil degC"));

    // Repaired (with one sensor less): the next choice is written to it, and
    // the list is the repaired file's.
    files.wd.write("config/PLXSensorsConfig.xml", R"(<SensorConfigs>
 <SensorConfig address="0" instance="0" unitNum="1"/>
 <SensorConfig address="2" instance="1" unitNum="2"/>
</SensorConfigs>
)");
    f.select(1);
    f.choose(1);
    QCOMPARE(PlxTestFiles::stored(), (QStringList{"0/0/1", "2/1/0"}));
    QCOMPARE(f.rows(), (QStringList{"Wideband #0", "Temperature #1"}));
    QCOMPARE(f.combo->currentText(), QString("Water degC"));
    QCOMPARE(f.problem(), QString());
}

void TestPlxConfig::followsTheFileOnDisk()
{
    Files files;
    Form f;
    f.select(1);
    QCOMPARE(f.combo->currentText(), QString("Oil degC"));
    const QStringList rows = f.rows();

    // Broken by hand while shown: the list stays, and the window says why
    // before the user tries anything.
    const QByteArray broken = "<SensorConfigs>\n <SensorConfig address=\"0\"";
    files.wd.write("config/PLXSensorsConfig.xml", broken);
    QTRY_VERIFY(f.problem().startsWith("List kept as read last: config/PLXSensorsConfig.xml does not read"));
    QCOMPARE(f.rows(), rows);
    QCOMPARE(f.combo->currentText(), QString("Oil degC"));
    QCOMPARE(files.wd.read("config/PLXSensorsConfig.xml"), broken);

    // Repaired, with another unit: shown as it now reads, without a click.
    files.wd.write("config/PLXSensorsConfig.xml", R"(<SensorConfigs>
 <SensorConfig address="0" instance="0" unitNum="0"/>
 <SensorConfig address="2" instance="1" unitNum="1"/>
</SensorConfigs>
)");
    QTRY_COMPARE(f.problem(), QString());
    QTRY_COMPARE(f.combo->currentText(), QString("Water degF"));
    QCOMPARE(f.rows(), (QStringList{"Wideband #0", "Temperature #1"}));
    QCOMPARE(f.list->currentIndex().row(), 1);
    QCOMPARE(f.label("lblUnitNum"), QString("1"));

    // Deleted: nothing is configured any more, and nothing is wrong.
    QVERIFY(QFile::remove("config/PLXSensorsConfig.xml"));
    QTRY_COMPARE(f.rows(), QStringList());
    QCOMPARE(f.problem(), QString());
}

void TestPlxConfig::fullDiskKeepsTheConfiguration()
{
    Files files;
    const QByteArray old = files.wd.read("config/PLXSensorsConfig.xml");
    PLXSensorConfigManager manager;
    manager.load();
    QList<PLXSensorConf> more = manager.sensorConfigs();
    more << more;
    bool written = true;
    {
        // The file fails only when the last of it is written.
        FileSizeLimit limit(rlim_t(old.size()));
        QVERIFY(limit.ok());
        written = manager.writeConfig(more);
    }
    QVERIFY(!written);
    QCOMPARE(files.wd.read("config/PLXSensorsConfig.xml"), old);
    QCOMPARE(QDir(files.wd.filePath("config")).entryList(QDir::Files | QDir::Hidden).size(), 2);
    QVERIFY(manager.writeConfig(more));
    QCOMPARE(PlxTestFiles::stored().size(), 8);
}

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    TestPlxConfig test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}
#include "tst_plxconfig.moc"
