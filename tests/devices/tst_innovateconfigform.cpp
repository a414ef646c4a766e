// "Innovate Config" offscreen: one row per configured input, the combos of
// the chosen row, a new function or unit written at once (a unit without a
// code leaves the stored one), Delete config, an empty list, rows whose
// definitions are missing, a running Innovate source following a change,
// and a file broken, repaired or changed by hand while the window is open.
#include "innovateconfigform.h"
#include "innovatedatahandler.h"
#include "innovatemtsextconfig.h"
#include "innovatetestfiles.h"
#include "mtschain.h"
#include "resultlookup.h"
#include "workdir.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QListView>
#include <QPushButton>
#include <QSignalSpy>
#include <QtTest>

using namespace InnovateTestFiles;

namespace {
// Two devices of two inputs each; Q's type has no definition.
const char *const TwoDevices = R"(<InputConfigs>
 <InputConfig SensorPrefix="A" devType="AN02">
  <input><number>1</number><config unitNum="11">VOLT</config></input>
  <input><number>2</number><config>VOLT</config></input>
 </InputConfig>
 <InputConfig SensorPrefix="B" devType="AN02">
  <input><number>2</number><config unitNum="1">TEMP</config></input>
  <input><number>1</number><config unitNum="0">TEMP</config></input>
 </InputConfig>
 <InputConfig SensorPrefix="Q" devType="QQQQ">
  <input><number>1</number><config unitNum="0">TEMP</config></input>
 </InputConfig>
</InputConfigs>
)";

struct Form
{
    Form() { form.show(); }
    InnovateConfigForm form;
    QListView *list = form.findChild<QListView *>("listView");
    QComboBox *type = form.findChild<QComboBox *>("cmbInputType");
    QComboBox *unit = form.findChild<QComboBox *>("cmbUnit");
    QStringList rows() const
    {
        QStringList r;
        for (int i = 0; i < list->model()->rowCount(); ++i)
            r << list->model()->index(i, 0).data().toString();
        return r;
    }
    static QStringList items(QComboBox *combo)
    {
        QStringList r;
        for (int i = 0; i < combo->count(); ++i)
            r << combo->itemText(i);
        return r;
    }
    void select(int row)
    {
        const QModelIndex index = list->model()->index(row, 0);
        list->setCurrentIndex(index);
        QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier, list->visualRect(index).center());
    }
    // As the user picks an entry of a combo.
    static void choose(QComboBox *combo, const QString &text)
    {
        combo->setCurrentIndex(combo->findText(text));
        QMetaObject::invokeMethod(combo, "activated", Q_ARG(QString, text));
    }
    QString label(const char *name) const { return form.findChild<QLabel *>(name)->text(); }
    // What the window says is wrong: its problem line, while shown.
    QString problem() const
    {
        const QLabel *l = form.findChild<QLabel *>("lblProblem");
        return !l ? QStringLiteral("(no problem line)") : l->isVisible() ? l->text() : QString();
    }
};

// The stored function and unit number of a device's input.
QString stored(const QString &device, int input)
{
    InnovateMTSExtConfig config;
    config.load();
    const DeviceInputConfig *d = config.inputConfig(device);
    if (!d || !d->inputs.contains(input))
        return QString();
    return QString("%1/%2").arg(d->inputs.value(input).name).arg(d->inputs.value(input).unitNum);
}
} // namespace

class TestInnovateConfigForm : public QObject
{
    Q_OBJECT
private slots:
    void rowsAndCombos();
    void missingDefinitions();
    void keyReleaseFollowsTheRow();
    void unitWritten();
    void unitWithoutCodeLeavesUnit();
    void functionWrittenKeepsUnit();
    void deleteConfigRebuildsUnchanged();
    void emptyListIsSafe();
    void runningSourceFollows();
    void brokenFileChangesNothingAndSaysWhy_data();
    void brokenFileChangesNothingAndSaysWhy();
    void followsTheFileOnDisk();
};

void TestInnovateConfigForm::rowsAndCombos()
{
    WorkDir wd;
    installOwn(wd);
    wd.write("config/InputConfigs.xml", TwoDevices);
    Form f;
    QCOMPARE(f.form.windowTitle(), QString("Innovate Config"));
    QCOMPARE(f.form.size(), QSize(550, 310));
    QCOMPARE(f.rows(), (QStringList{"A_1 (VOLT)", "A_2 (VOLT)", "B_1 (TEMP)", "B_2 (TEMP)", "Q_1 (TEMP)"}));
    // The first row is shown: the functions its channel offers, its unit.
    QCOMPARE(f.list->currentIndex().row(), 0);
    QCOMPARE(Form::items(f.type), (QStringList{"VOLT", "TEMP"}));
    QCOMPARE(f.type->currentText(), QString("VOLT"));
    QCOMPARE(Form::items(f.unit), QStringList{"V"});
    QCOMPARE(f.label("lblMinVal"), QString("0"));
    QCOMPARE(f.label("lblMaxVal"), QString("5"));
    f.select(3);
    QCOMPARE(f.type->currentText(), QString("TEMP"));
    QCOMPARE(Form::items(f.unit), (QStringList{"degC", "degF"}));
    QCOMPARE(f.unit->currentText(), QString("degF"));
    QCOMPARE(f.label("lblMinVal"), QString("-40"));
}

void TestInnovateConfigForm::missingDefinitions()
{
    WorkDir wd;
    installOwn(wd);
    wd.write("config/DeviceDefs.xml", R"(<R><dev type="AN02"><c defaultFunc="VOLT"/><c defaultFunc="VOLT"/></dev></R>)");
    wd.write("config/InputConfigs.xml", TwoDevices);
    Form f;
    // A channel that offers nothing: its current function.
    QCOMPARE(Form::items(f.type), QStringList{"VOLT"});
    // A type without definition ("DEF IS NULL"): the same.
    f.select(4);
    QCOMPARE(Form::items(f.type), QStringList{"TEMP"});
    QCOMPARE(f.type->currentIndex(), 0);
    // A function without a sensor definition lists no unit.
    wd.write("config/SensorDefs.xml", "<R/>");
    InnovateMTSExtConfig::instance()->load();
    f.form.fillUnitsCombo("VOLT", "V");
    QCOMPARE(f.unit->count(), 0);
}

void TestInnovateConfigForm::keyReleaseFollowsTheRow()
{
    WorkDir wd;
    installOwn(wd);
    wd.write("config/InputConfigs.xml", TwoDevices);
    Form f;
    QApplication::setActiveWindow(&f.form);
    f.list->setFocus();
    QTest::keyClick(f.list, Qt::Key_Down);
    QTest::keyClick(f.list, Qt::Key_Down);
    QCOMPARE(f.list->currentIndex().row(), 2);
    QCOMPARE(f.type->currentText(), QString("TEMP"));
    QCOMPARE(f.unit->currentText(), QString("degC"));
}

void TestInnovateConfigForm::unitWritten()
{
    WorkDir wd;
    installDemo(wd);
    Form f;
    QCOMPARE(f.rows(), (QStringList{"LM-2_1 (LAMBDA)", "AUX4_1 (TEMP)", "AUX4_2 (PRESSURE)", "AUX4_3 (RPM)", "AUX4_4 (SPEED)"}));
    QSignalSpy changed(InnovateMTSExtConfig::instance(), &InnovateMTSExtConfig::inputConfigChanged);
    f.select(2);
    QCOMPARE(Form::items(f.unit), (QStringList{"bar", "PSI", "kPa", "inHG"}));
    QCOMPARE(f.unit->currentText(), QString("bar"));
    Form::choose(f.unit, "PSI");
    QCOMPARE(changed.count(), 1);
    QCOMPARE(stored("AUX4", 2), QString("PRESSURE/3"));
    QVERIFY(wd.read("config/InputConfigs.xml").contains("unitNum=\"3\">PRESSURE"));
    // The list came back from the file, on the same row.
    QCOMPARE(f.list->currentIndex().row(), 2);
    QCOMPARE(f.unit->currentText(), QString("PSI"));
}

void TestInnovateConfigForm::unitWithoutCodeLeavesUnit()
{
    WorkDir wd;
    installDemo(wd);
    wd.write("config/InputConfigs.xml", QByteArray(demoFile("config/InputConfigs.xml"))
                                            .replace("<config>LAMBDA</config>", "<config unitNum=\"12\">LAMBDA</config>"));
    Form f;
    // The lambda's unit "AFR" has no code.
    QCOMPARE(Form::items(f.unit), QStringList{"AFR"});
    Form::choose(f.unit, "AFR");
    QCOMPARE(stored("LM-2", 1), QString("LAMBDA/12"));
    // No row chosen: nothing happens.
    Form empty;
    empty.form.loadConfigs();
    const QByteArray before = wd.read("config/InputConfigs.xml");
    empty.list->setCurrentIndex(QModelIndex());
    QMetaObject::invokeMethod(&empty.form, "on_cmbInputType_activated", Q_ARG(QString, "RPM"));
    QCOMPARE(wd.read("config/InputConfigs.xml"), before);
}

void TestInnovateConfigForm::functionWrittenKeepsUnit()
{
    WorkDir wd;
    installDemo(wd);
    Form f;
    f.select(1);
    QCOMPARE(Form::items(f.type), (QStringList{"TEMP", "PRESSURE", "RPM", "SPEED", "AFR"}));
    Form::choose(f.type, "RPM");
    QCOMPARE(stored("AUX4", 1), QString("RPM/0"));
    QCOMPARE(f.rows().at(1), QString("AUX4_1 (RPM)"));
    QCOMPARE(f.list->currentIndex().row(), 1);
    QCOMPARE(f.type->currentText(), QString("RPM"));
    QCOMPARE(Form::items(f.unit), (QStringList{"RPM", "Hz"}));
    QVERIFY(f.list->hasFocus() || !QApplication::focusWindow());
}

void TestInnovateConfigForm::deleteConfigRebuildsUnchanged()
{
    WorkDir wd;
    installDemo(wd);
    Form f;
    const QStringList rows = f.rows();
    const QByteArray before = wd.read("config/InputConfigs.xml");
    QSignalSpy changed(InnovateMTSExtConfig::instance(), &InnovateMTSExtConfig::inputConfigChanged);
    for (int i = 0; i < 3; ++i)
        QTest::mouseClick(f.form.findChild<QPushButton *>("btnDeleteConfig"), Qt::LeftButton);
    QCOMPARE(changed.count(), 3);
    QCOMPARE(f.rows(), rows);
    QCOMPARE(wd.read("config/InputConfigs.xml"), before);
}

void TestInnovateConfigForm::emptyListIsSafe()
{
    WorkDir wd;
    Form f;
    QCOMPARE(f.rows(), QStringList());
    QCOMPARE(f.type->count(), 0);
    QTest::mouseClick(f.form.findChild<QPushButton *>("btnDeleteConfig"), Qt::LeftButton);
    QTest::keyClick(f.list, Qt::Key_Down);
    QMetaObject::invokeMethod(&f.form, "on_cmbUnit_activated", Q_ARG(QString, "PSI"));
    QMetaObject::invokeMethod(&f.form, "on_cmbInputType_activated", Q_ARG(QString, "RPM"));
    f.form.on_listView_clicked(QModelIndex());
    QVERIFY(!QFile::exists("config/InputConfigs.xml"));
}

void TestInnovateConfigForm::runningSourceFollows()
{
    WorkDir wd;
    installDemo(wd);
    InnovateDataHandler handler("INNOVATE");
    QSignalSpy jobs(&handler, &InnovateDataHandler::jobFinished);
    handler.streamHandler().feed(MtsChain::namesReply({{"LM-2", "LM-2"}, {"AUX4", "AUX4"}})
                                 + MtsChain::typesReply({{"LM-2", "LM-2"}, {"AUX4", "AUX4"}}));
    // 2 bar on the pressure input.
    const QByteArray packet = MtsChain::dataPacket(MtsChain::lambda(0, 147, 500) + MtsChain::aux(100)
                                                   + MtsChain::aux(767) + MtsChain::aux(0) + MtsChain::aux(0));
    handler.streamHandler().feed(packet);
    const CJobResult *bar = findResult(jobs.last().at(0).value<CJob>(), "AUX4_2");
    QCOMPARE(bar->unit, std::string("bar"));
    QVERIFY(qAbs(bar->realValue - 2.0) < 0.01);
    Form f;
    f.select(2);
    Form::choose(f.unit, "PSI");
    handler.streamHandler().feed(packet);
    const CJobResult *psi = findResult(jobs.last().at(0).value<CJob>(), "AUX4_2");
    QCOMPARE(psi->unit, std::string("PSI"));
    QVERIFY(qAbs(psi->realValue - 29.0) < 0.1);
}

void TestInnovateConfigForm::brokenFileChangesNothingAndSaysWhy_data()
{
    QTest::addColumn<bool>("unit");
    QTest::newRow("a unit chosen") << true;
    QTest::newRow("an input type chosen") << false;
}

void TestInnovateConfigForm::brokenFileChangesNothingAndSaysWhy()
{
    QFETCH(bool, unit);
    WorkDir wd;
    installDemo(wd);
    Form f;
    const QStringList rows = f.rows();
    QCOMPARE(f.problem(), QString());
    f.select(2);
    QCOMPARE(f.unit->currentText(), QString("bar"));
    QCOMPARE(f.type->currentText(), QString("PRESSURE"));
    const QByteArray broken = demoFile("config/InputConfigs.xml").left(300);
    wd.write("config/InputConfigs.xml", broken);
    QSignalSpy changed(InnovateMTSExtConfig::instance(), &InnovateMTSExtConfig::inputConfigChanged);
    if (unit)
        Form::choose(f.unit, "PSI");
    else
        Form::choose(f.type, "RPM");
    // Nothing written, the list and the row as they were, and why.
    QCOMPARE(changed.count(), 0);
    QCOMPARE(wd.read("config/InputConfigs.xml"), broken);
    QCOMPARE(f.rows(), rows);
    QCOMPARE(f.list->currentIndex().row(), 2);
    QCOMPARE(f.unit->currentText(), QString("bar"));
    QCOMPARE(f.type->currentText(), QString("PRESSURE"));
    const QString status = f.problem();
    QVERIFY2(status.startsWith(unit ? "Unit not changed: " : "Input type not changed: ")
                 && status.contains("config/InputConfigs.xml does not read: "),
             qPrintable(status));
}

void TestInnovateConfigForm::followsTheFileOnDisk()
{
    WorkDir wd;
    installDemo(wd);
    Form f;
    const QStringList rows = f.rows();
    const QByteArray good = wd.read("config/InputConfigs.xml");
    // Broken by hand: the list stays, the window says why.
    wd.write("config/InputConfigs.xml", "<InputConfigs>");
    QTRY_VERIFY_WITH_TIMEOUT(f.problem().startsWith("config/InputConfigs.xml does not read: "), 5000);
    QCOMPARE(f.rows(), rows);
    // Repaired with a change: shown, and the message goes.
    wd.write("config/InputConfigs.xml", QByteArray(good).replace(">RPM<", ">SPEED<"));
    QTRY_COMPARE_WITH_TIMEOUT(f.problem(), QString(), 5000);
    QTRY_COMPARE(f.rows().at(3), QString("AUX4_3 (SPEED)"));
}

QTEST_MAIN(TestInnovateConfigForm)
#include "tst_innovateconfigform.moc"
