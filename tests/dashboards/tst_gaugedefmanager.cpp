// Gauge definition and screen files read from a working directory on disk.
#include "gaugedefmanager.h"
#include "gaugeinifile.h"
#include "workdir.h"

#include <QtTest>

class TestGaugeDefManager : public QObject
{
    Q_OBJECT
private slots:
    void definitionsFollowTheFileRules();
    void defaultsGroupSetsDecimalsOnly();
    void numbersAndColoursFallBack();
    void screensListTheirDefinitionsByName();
    void screensComeNewestFirst();
    void unknownDefinitionIsDroppedFromScreen();
    void missingFilesGiveEmptyTables();
    void lookUpsMissReportFalse();
    void instanceLoadsOnce();
    void iniReaderKeepsCommasHashesAndGeneral();
    void headerScanDropsRepeats();
};

namespace {
const QByteArray engineDefs =
    "[DEFAULTS]\n"
    "decimals=1\n"
    "conversionFactor=3\n"
    "[RPM]\n"
    "Jobname=mw_select_lesen_norm\n"
    "Resultname=stat_eng_navrg_wert\n"
    "Min=0\n"
    "Max=7000\n"
    "Title=Engine speed, rpm\n"
    "Unit=1/min\n"
    "needlecolor=#ff0000\n"
    "color=darkblue\n"
    "decimals=0\n"
    "[BOOST]\n"
    "JOBNAME=STATUS_LMM\n"
    "RESULTNAME=STATUS_LMM_WERT\n"
    "min=-1\r\n"
    "max=2.5\r\n"
    "conversionFactor=0.5\n"
    "[OIL]\n"
    "Jobname=STATUS_INT\n"
    "Resultname=STATUS_INT_WERT\n"
    "Max=fast\n"
    "textcolor=not-a-colour\n"
    "conversionFactor= \n"
    "[General]\n"
    "Jobname=TEST_TWO_INTEGER\n"
    "Resultname=INT1\n";

GaugeDef findDef(const QList<GaugeDef> &defs, const QString &name)
{
    for (const GaugeDef &d : defs) {
        if (d.name == name)
            return d;
    }
    return GaugeDef();
}
} // namespace

void TestGaugeDefManager::definitionsFollowTheFileRules()
{
    WorkDir wd;
    QVERIFY(wd.write("gauges/MSV70/definitions.txt", engineDefs));
    GaugeDefManager manager;
    QVERIFY(manager.reload());
    const QList<GaugeDef> defs = manager.gaugeDefs("MSV70");
    QCOMPARE(defs.size(), 5); // DEFAULTS, General and the three gauges

    const GaugeDef rpm = findDef(defs, "RPM");
    QCOMPARE(rpm.jobName, QString("MW_SELECT_LESEN_NORM"));
    QCOMPARE(rpm.resultName, QString("STAT_ENG_NAVRG_WERT"));
    QCOMPARE(rpm.max, 7000.0);
    QCOMPARE(rpm.title, QString("Engine speed, rpm"));
    QCOMPARE(rpm.unit, QString("1/min"));
    QCOMPARE(rpm.needleColor, QColor(255, 0, 0));
    QCOMPARE(rpm.color, QColor("darkblue"));
    QVERIFY(!rpm.fillColor.isValid());
    QCOMPARE(rpm.decimals, 0);

    const GaugeDef boost = findDef(defs, "BOOST");
    QCOMPARE(boost.jobName, QString("STATUS_LMM"));
    QCOMPARE(boost.min, -1.0);
    QCOMPARE(boost.max, 2.5);
    QCOMPARE(boost.conversionFactor, 0.5);

    // "[General]" is a definition like any other.
    QCOMPARE(findDef(defs, "General").resultName, QString("INT1"));

    // Equality is by job and result only.
    GaugeDef other = rpm;
    other.name = "X";
    other.max = 1;
    QVERIFY(other == rpm);
    other.resultName = "Y";
    QVERIFY(other != rpm);

    // Loading twice duplicates, newest first.
    manager.reload();
    QCOMPARE(manager.gaugeDefs("MSV70").size(), 10);
    QCOMPARE(manager.ecuNames(), QStringList{"MSV70"});
}

void TestGaugeDefManager::defaultsGroupSetsDecimalsOnly()
{
    WorkDir wd;
    wd.write("gauges/MSV70/definitions.txt", engineDefs);
    GaugeDefManager manager;
    manager.loadDefs();
    const QList<GaugeDef> defs = manager.gaugeDefs("MSV70");
    QCOMPARE(findDef(defs, "BOOST").decimals, 1);  // from DEFAULTS
    QCOMPARE(findDef(defs, "RPM").decimals, 0);    // its own value wins
    const GaugeDef defaults = findDef(defs, "DEFAULTS");
    QCOMPARE(defaults.name, QString("DEFAULTS"));
    QVERIFY(defaults.jobName.isEmpty());
    // "conversionFactor" of DEFAULTS is no default for the others.
    QCOMPARE(findDef(defs, "RPM").conversionFactor, 1.0);
}

void TestGaugeDefManager::numbersAndColoursFallBack()
{
    WorkDir wd;
    wd.write("gauges/MSV70/definitions.txt", engineDefs);
    GaugeDefManager manager;
    manager.loadDefs();
    const GaugeDef oil = findDef(manager.gaugeDefs("MSV70"), "OIL");
    QCOMPARE(oil.min, 0.0);
    QCOMPARE(oil.max, 0.0);               // not a number: as if absent
    // Blank is no number either: as if absent, not a factor 0 that would
    // show every value as 0.
    QCOMPARE(oil.conversionFactor, 1.0);
    QVERIFY(!oil.textColor.isValid());
    QCOMPARE(oil.decimals, 1);
}

void TestGaugeDefManager::screensListTheirDefinitionsByName()
{
    WorkDir wd;
    wd.write("gauges/MSV70/definitions.txt", engineDefs);
    wd.write("gauges/MSV70/screens/race.night.txt",
             "columns=3\n[RPM]\nsize=big\n[OIL]\n[BOOST]\nColour=#00ff00, bright\n");
    wd.write("gauges/MSV70/screens/plain.txt", "[rpm]\n");
    GaugeDefManager manager;
    manager.reload();

    GaugeScreenConf race;
    QVERIFY(manager.getSingleScreen("MSV70", "race", &race));
    QCOMPARE(race.columns, 3);
    QStringList names;
    for (const GaugeScreenElement &e : race.elements)
        names << e.name;
    QCOMPARE(names, (QStringList{"BOOST", "OIL", "RPM"}));
    QCOMPARE(race.elements.at(2).values.value("size"), QString("big"));
    QCOMPARE(race.elements.at(0).values.value("Colour"), QString("#00ff00, bright"));

    // A group in another letter case still names the definition "RPM" only
    // if the names match exactly; "rpm" does not.
    GaugeScreenConf plain;
    QVERIFY(manager.getSingleScreen("MSV70", "plain", &plain));
    QCOMPARE(plain.columns, 0);
    QVERIFY(plain.elements.isEmpty());
}

void TestGaugeDefManager::screensComeNewestFirst()
{
    WorkDir wd;
    wd.write("gauges/GS19D/definitions.txt", "[A]\nJobname=x\nResultname=y\n");
    wd.write("gauges/GS19D/screens/a.txt", "[A]\n");
    wd.write("gauges/GS19D/screens/b.txt", "[A]\n");
    wd.write("gauges/GS19D/screens/notes.ini", "[A]\n");
    GaugeDefManager manager;
    manager.reload();
    const QList<GaugeScreenConf> screens = manager.gaugeScreens("GS19D");
    QCOMPARE(screens.size(), 2);
    QCOMPARE(screens.at(0).name, QString("b"));
    QCOMPARE(screens.at(1).name, QString("a"));
}

void TestGaugeDefManager::unknownDefinitionIsDroppedFromScreen()
{
    WorkDir wd;
    wd.write("gauges/MSV70/definitions.txt", engineDefs);
    wd.write("gauges/MSV70/screens/s.txt", "[RPM]\n[NOPE]\n[OIL]\n");
    GaugeDefManager manager;
    manager.reload();
    GaugeScreenConf s;
    QVERIFY(manager.getSingleScreen("MSV70", "s", &s));
    QCOMPARE(s.elements.size(), 2);
}

void TestGaugeDefManager::missingFilesGiveEmptyTables()
{
    WorkDir wd;
    {
        GaugeDefManager manager;
        QVERIFY(manager.reload());
        QVERIFY(manager.ecuNames().isEmpty());
    }
    // An ECU directory without definitions still loads its screens, empty.
    wd.write("gauges/D73N57C0/screens/main.txt", "columns=2\n[RPM]\n");
    GaugeDefManager manager;
    manager.reload();
    QVERIFY(manager.gaugeDefs("D73N57C0").isEmpty());
    QCOMPARE(manager.gaugeScreens("D73N57C0").size(), 1);
    QCOMPARE(manager.gaugeScreens("D73N57C0").at(0).columns, 2);
    QVERIFY(manager.gaugeScreens("D73N57C0").at(0).elements.isEmpty());
}

void TestGaugeDefManager::lookUpsMissReportFalse()
{
    WorkDir wd;
    wd.write("gauges/MSV70/definitions.txt", engineDefs);
    GaugeDefManager manager;
    manager.reload();
    GaugeDef def;
    def.title = "untouched";
    QVERIFY(!manager.getSingleDef("MSV70", "rpm", &def));
    QVERIFY(!manager.getSingleDef("OTHER", "RPM", &def));
    QCOMPARE(def.title, QString("untouched"));
    QVERIFY(manager.getSingleDef("MSV70", "RPM", &def));
    QCOMPARE(def.title, QString("Engine speed, rpm"));
    GaugeScreenConf screen;
    QVERIFY(!manager.getSingleScreen("MSV70", "none", &screen));
}

void TestGaugeDefManager::instanceLoadsOnce()
{
    WorkDir wd;
    wd.write("gauges/MSV70/definitions.txt", engineDefs);
    QObject owner;
    GaugeDefManager *first = GaugeDefManager::instance(&owner);
    QCOMPARE(first->gaugeDefs("MSV70").size(), 5);
    QCOMPARE(GaugeDefManager::instance(nullptr), first);
    QCOMPARE(first->gaugeDefs("MSV70").size(), 5);
}

void TestGaugeDefManager::iniReaderKeepsCommasHashesAndGeneral()
{
    GaugeIniFile ini;
    ini.parse("\xEF\xBB\xBF" "columns = 4\n"
              "; a comment\n"
              "[General]\n"
              "Title=a, b, c\n"
              "color = #123456\n"
              "quoted=\"x=y\"\n"
              "[general]\n"
              "title=later\n"
              "[Zeta]\n"
              "[Alpha]\n"
              "no equals sign\n");
    QCOMPARE(ini.value(QString(), "COLUMNS"), QString("4"));
    QCOMPARE(ini.childGroups(), (QStringList{"Alpha", "General", "Zeta"}));
    QCOMPARE(ini.value("GENERAL", "title"), QString("later"));
    QCOMPARE(ini.value("General", "Color"), QString("#123456"));
    QCOMPARE(ini.value("General", "quoted"), QString("x=y"));
    QCOMPARE(ini.keys("General"), (QStringList{"Title", "color", "quoted"}));
    QVERIFY(!ini.contains("Alpha", "x"));
    QCOMPARE(ini.value("Missing", "x", "def"), QString("def"));
}

void TestGaugeDefManager::headerScanDropsRepeats()
{
    WorkDir wd;
    wd.write("s.txt", "columns=1\n  [A]  \n[B]\n[A]\n[a]\nx=[y]\n");
    GaugeDefManager manager;
    QCOMPARE(manager.readScreenConfDefs(wd.filePath("s.txt")), (QStringList{"[A]", "[B]", "[a]"}));
    QVERIFY(manager.readScreenConfDefs(wd.filePath("missing.txt")).isEmpty());
}

QTEST_GUILESS_MAIN(TestGaugeDefManager)
#include "tst_gaugedefmanager.moc"
