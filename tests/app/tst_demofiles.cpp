// The demo working directory stays coherent: its description files are what
// the writer makes of their sources, every listed ECU is one the simulation
// answers, and its translations, gauges and themes load.
#include "basic2dchartutils.h"
#include "cprgfile.h"
#include "csvjobparser.h"
#include "csvreader.h"
#include "ediabasstandin.h"
#include "customjobseditor.h"
#include "customjobtables.h"
#include "crunner.h"
#include "dataloggerset.h"
#include "ddecustomview.h"
#include "ediabasjobsimulation.h"
#include "gaugedefmanager.h"
#include "jobargumentrules.h"
#include "joblistfilereader.h"
#include "latin1.h"
#include "prgfilereader.h"
#include "prgwriter.h"
#include "translationmgr.h"
#include "resultlookup.h"
#include "workdir.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSettings>
#include <QTranslator>
#include <cmath>
#include <QtTest>
#include <memory>

class TestDemoFiles : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void descriptionFilesMatchTheirSources();
    void catalogueListsTheSimulatedEcus();
    void translationsLoad();
    void gaugesAndThemesLoad();
    void ediabasScriptListsDescriptionJobs();
    void ediabasAnswersDescribedResults();
    void customJobsResolve();
    void dieselJobCarriesEveryDashboardResult();
    void gaugeDefinitionsNameSimulatedResults();
    void speedGaugeReadsVehicleSpeed();
    void loggerPresetNamesSimulatedResults();
    void demoDriveLogReadsBack();

private:
    QString demo;
};

void TestDemoFiles::initTestCase()
{
    demo = QStringLiteral(KELVO_SOURCE_DIR) + "/demo";
    QVERIFY(QFileInfo(demo + "/kelvo.ini").isFile());
}

void TestDemoFiles::descriptionFilesMatchTheirSources()
{
    for (const char *ecu : {"MSV70", "D73N57C0", "GS19D"}) {
        QFile source(demo + "/sources/" + ecu + ".prgsrc");
        QVERIFY(source.open(QIODevice::ReadOnly));
        PrgWriter writer;
        QString error;
        QVERIFY2(writer.parseSource(source.readAll(), &error), qPrintable(error));
        QFile prg(demo + "/ecu/" + ecu + ".prg");
        QVERIFY2(prg.open(QIODevice::ReadOnly), qPrintable(prg.fileName()));
        QVERIFY2(prg.readAll() == writer.build(), qPrintable(QString(ecu) + " is out of date: rebuild it"
                                                             " with kelvo_prgwriter"));
    }
}

void TestDemoFiles::catalogueListsTheSimulatedEcus()
{
    QDir::setCurrent(demo);
    JobListFileReader reader;
    reader.prgReader().setEcuDirectory("./ecu");
    reader.readBIVsFromdir(JobListFileReader::serialJobsDir(), true);
    reader.readFromPrg(JobListFileReader::ecuListPath());
    QCOMPARE(reader.getEcuNames(), (QStringList{"D73N57C0", "GS19D", "MSV70"}));
    for (const QString &ecu : reader.getEcuNames()) {
        CPRGFile *prg = reader.createPrgFromPrg(ecu, true);
        QVERIFY(prg->getJobCount() >= 3);
        delete prg;
    }
}

void TestDemoFiles::translationsLoad()
{
    QTranslator translator;
    QVERIFY(translator.load("jobs_all_en_EN", demo + "/translations", "_."));
    QCOMPARE(translator.translate("JOB_S", "STATUS_LMM"), QString("Air mass"));
    QCOMPARE(translator.translate("RES_L", "STAT_ENG_NAVRG_WERT"), QString("Engine speed"));
}

void TestDemoFiles::gaugesAndThemesLoad()
{
    QDir::setCurrent(demo);
    GaugeDefManager manager;
    manager.reload();
    GaugeScreenConf screen;
    QVERIFY(manager.getSingleScreen("D73N57C0", "engine", &screen));
    QCOMPARE(screen.elements.size(), 3);
    QCOMPARE(screen.columns, 3);
    QVERIFY(manager.getSingleScreen("MSV70", "dash", &screen));
    QCOMPARE(screen.elements.size(), 3);
    QCOMPARE(QDir(demo + "/themes").entryList({"*.qss"}).size(), 2);
}

void TestDemoFiles::ediabasScriptListsDescriptionJobs()
{
    QFile file(demo + "/ediabas/ediabas.json");
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray json = file.readAll();
    QString error;
    QVERIFY2(EdiabasStandIn::checkScript(json, &error), qPrintable(error));

    // "_JOBS" of each described ECU names its description file's jobs, in order.
    const QJsonObject ecus = QJsonDocument::fromJson(json).object().value("ecus").toObject();
    QDir::setCurrent(demo);
    JobListFileReader reader;
    reader.prgReader().setEcuDirectory("./ecu");
    for (const QString ecu : {"MSV70", "D73N57C0", "GS19D"}) {
        QStringList described;
        CPRGFile *prg = reader.createPrgFromPrg(ecu, false);
        for (int i = 0; i < prg->getJobCount(); ++i)
            described << QString::fromLatin1(prg->getJob(i)->jobName.c_str());
        delete prg;
        QStringList scripted;
        const QJsonArray sets =
            ecus.value(ecu).toObject().value("jobs").toObject().value("_JOBS").toObject().value("sets").toArray();
        for (const QJsonValue &set : sets)
            scripted << set.toArray().at(0).toObject().value("text").toString();
        QCOMPARE(scripted, described);
        QVERIFY(ecus.value(ecu).toObject().contains("default"));
    }
}

void TestDemoFiles::ediabasAnswersDescribedResults()
{
    // Run through the stand-in in a copy of the demo, each job a description
    // file names answers the results it describes and no others: no value
    // under a name the ECU does not have, and every dial has its value.
    WorkDir wd;
    QVERIFY(wd.copyTree(demo));
    EdiabasStandIn::reset();
    JobListFileReader reader;
    reader.prgReader().setEcuDirectory("./ecu");
    CRunner runner;
    int checked = 0;
    for (const QString ecu : {"MSV70", "D73N57C0", "GS19D"}) {
        QString jobName;
        QMap<QString, QStringList> described;
        for (const QString &line : reader.prgReader().readDescriptionBlock(ecu + ".prg").split('\n')) {
            if (line.startsWith("JOBNAME:"))
                described[jobName = line.mid(8).trimmed()];
            else if (line.startsWith("RESULT:") && line.mid(7).trimmed() != "JOB_STATUS")
                described[jobName] << line.mid(7).trimmed();
        }
        QVERIFY(described.size() >= 3);
        for (auto it = described.constBegin(); it != described.constEnd(); ++it) {
            CJob job(Latin1::toStd(ecu), Latin1::toStd(it.key()));
            QCOMPARE(runner.runJob(job), 0);
            // Besides: the values the demo's custom expressions compute from
            // them, each a number (a formula that failed adds its error).
            QStringList answered;
            for (const CJobResult &r : qAsConst(job.results)) {
                const QString name = Latin1::toQString(r.name);
                if (name == "JOB_STATUS")
                    continue;
                if (it.value().contains(name))
                    answered << name;
                else
                    QVERIFY2(!name.contains(':') && !name.endsWith("_WERT") && r.format == 8,
                             qPrintable(ecu + "." + it.key() + " answers " + name));
            }
            QVERIFY2(answered == it.value(), qPrintable(ecu + "." + it.key() + ": " + answered.join(",")));
            ++checked;
        }
    }
    QVERIFY(checked >= 14);

    // Every dial of the demo's gauge definitions gets a value on its scale
    // from the stand-in too.
    GaugeDefManager manager;
    manager.reload();
    int dials = 0;
    for (const QString &ecu : manager.ecuNames()) {
        for (const GaugeDef &def : manager.gaugeDefs(ecu)) {
            if (def.name == "DEFAULTS")
                continue;
            CJob job(Latin1::toStd(ecu), Latin1::toStd(def.jobName));
            QCOMPARE(runner.runJob(job), 0);
            bool found = false;
            for (const CJobResult &r : qAsConst(job.results)) {
                if (Latin1::toQString(r.name).toUpper() != def.resultName)
                    continue;
                const double v = def.conversionFactor * r.realValue;
                found = r.format == 8 && v >= def.min && v <= def.max;
            }
            QVERIFY2(found, qPrintable(ecu + "/" + def.name + ": " + def.jobName + " gives no " + def.resultName));
            ++dials;
        }
    }
    QVERIFY(dials >= 16);
    CRunner::endEdiabas();
    EdiabasStandIn::reset();
}

void TestDemoFiles::customJobsResolve()
{
    QDir::setCurrent(demo);
    const JobArgumentRules rules;
    QCOMPARE(rules.findMeasureJob("MSV70"), qMakePair(QString("MW_SELECT_LESEN_NORM"), QString("BETRIEBSWTAB")));
    QCOMPARE(rules.findMeasureJob("D73N57C0"), qMakePair(QString("STATUS_BLOCK_LESEN"), QString("SG_FUNKTIONEN")));

    // SET_1 of MSV70: every selector names a row of the table, and the
    // demo translations know its result.
    const QList<CJob> jobs = CustomJobsEditor().getCustomJobs("MSV70");
    QCOMPARE(jobs.size(), 1);
    const CJob &set = jobs.first();
    QCOMPARE(Latin1::toQString(set.virtualName), QString("SET_1"));
    const QString jobName = Latin1::toQString(set.jobName);
    const QString table = rules.getTableName(jobName);
    PRGFileReader reader;
    std::unique_ptr<PRGTable> read(reader.readTable("MSV70.prg", table));
    QVERIFY(read);
    TranslationMgr translations("en_EN", nullptr);
    const CustomJobTables::SelectorRows rows = CustomJobTables::selectorRows(
        read->text, table, "MSV70", jobName, Latin1::toQString(set.arguments), &translations);
    QCOMPARE(rows.problem, QString());
    bool error = false;
    const QStringList selectors = rules.parseArgument(jobName, Latin1::toQString(set.arguments), &error);
    QCOMPARE(selectors.size(), 2);
    QCOMPARE(rows.rows.size(), selectors.size());
    for (int i = 0; i < selectors.size(); ++i) {
        QCOMPARE(rows.rows.at(i).at(CustomJobTables::IdColumn), selectors.at(i));
        QVERIFY2(!rows.rows.at(i).at(CustomJobTables::TranslationColumn).isEmpty(), qPrintable(selectors.at(i)));
    }
    // Every entry of every demo custom job names a row of its job's table.
    const QList<CJob> all = CustomJobsEditor().getCustomJobs();
    QCOMPARE(all.size(), 2);
    for (const CJob &job : all) {
        const QString ecu = Latin1::toQString(job.ecuName);
        const QString name = Latin1::toQString(job.jobName);
        const QString jobTable = rules.getTableName(name);
        QVERIFY2(!jobTable.isEmpty(), qPrintable(name));
        std::unique_ptr<PRGTable> t(reader.readTable(ecu + ".prg", jobTable));
        QVERIFY2(t, qPrintable(ecu + " " + jobTable));
        const CustomJobTables::SelectorRows resolved = CustomJobTables::selectorRows(
            t->text, jobTable, ecu, name, Latin1::toQString(job.arguments), &translations);
        QCOMPARE(resolved.problem, QString());
        QVERIFY2(!resolved.rows.isEmpty(), qPrintable(Latin1::toQString(job.virtualName)));
        QCOMPARE(resolved.unresolved, QStringList());
        for (const QStringList &row : resolved.rows)
            QVERIFY2(!row.at(CustomJobTables::TranslationColumn).isEmpty(), qPrintable(row.join('|')));
    }
    // Every row of the browsers' tables has a translated long text.
    for (const auto &ecuTable : {qMakePair(QString("MSV70"), QString("BETRIEBSWTAB")),
                                 qMakePair(QString("D73N57C0"), QString("SG_FUNKTIONEN")),
                                 qMakePair(QString("D73N57C0"), QString("BETRIEBSWTAB"))}) {
        std::unique_ptr<PRGTable> t(reader.readTable(ecuTable.first + ".prg", ecuTable.second));
        QVERIFY(t);
        const CustomJobTables::Grid grid = CustomJobTables::browserGrid(t->text, ecuTable.second, &translations);
        QCOMPARE(grid.skippedLines, 0);
        for (int r = 1; r < grid.rows.size(); ++r)
            QVERIFY2(!grid.rows.at(r).at(grid.longColumn).isEmpty(), qPrintable(grid.rows.at(r).join(' ')));
    }
}

void TestDemoFiles::dieselJobCarriesEveryDashboardResult()
{
    // In a copy, as scripts/demo.sh runs it: the runner reads the custom
    // expressions from its working directory.
    WorkDir wd;
    QVERIFY(wd.copyTree(demo));
    CRunner runner;
    runner.setSimulation(true);
    runner.setMinSimulationPause(0);
    CJob job("D73N57C0", "MW_SELECT_LESEN_NORM");
    for (int run = 0; run < 3; ++run) {
        job.clearResults();
        QCOMPARE(runner.runJob(job), 0);
        for (const char *name : {"STAT_Eng_nAvrg_WERT", "STAT_CTSCD_tClnt_WERT", "STAT_AFSCD_mAirPerCyl_WERT",
                                 "STAT_BPACD_rOut_WERT", "STAT_BPSCD_pOutVal_WERT", "STAT_IATSCD_tAirCats_WERT",
                                 "STAT_LSU_rLmbd[0]_WERT", "STAT_RailCD_pPeak_WERT", "STAT_InjCrv_qMI1Des_WERT",
                                 "STAT_InjCrv_tiMI1ET_WERT", "STAT_InjCrv_phiMI1Des_WERT", "AFSCD_Afr",
                                 "CoEng_Torque", "CoEng_Power", "InjCrv_eoiMI1"}) {
            double value = NAN;
            QVERIFY2(DDECustomView::findValue(job, name, &value), name);
            QVERIFY2(std::isfinite(value), name);
        }
        // No formula failed: a failure would add an error result.
        for (const CJobResult &r : job.results)
            QVERIFY2(r.name.find(':') == std::string::npos, r.name.c_str());
    }

    // The 2-D chart's stored keys are the keys of results of that job of
    // that ECU, letter case and all: engine speed over coolant temperature,
    // boost in the cells.
    QSettings ini("kelvo.ini", QSettings::IniFormat);
    QStringList results;
    for (const char *key : {"chart2D/lastXresult", "chart2D/lastYresult", "chart2D/lastZresult"}) {
        const QString stored = ini.value(key).toString();
        QString found;
        for (const CJobResult &r : job.results)
            if (Basic2DChartUtils::resultKey(job, r) == stored)
                found = Latin1::toQString(r.name);
        QVERIFY2(!found.isEmpty(), qPrintable(stored));
        results << found;
    }
    QCOMPARE(results, (QStringList{"STAT_ENG_NAVRG_WERT", "STAT_CTSCD_TCLNT_WERT", "STAT_BPSCD_pOutVal_WERT"}));
}

void TestDemoFiles::gaugeDefinitionsNameSimulatedResults()
{
    QDir::setCurrent(demo);
    GaugeDefManager manager;
    manager.reload();
    EdiabasJobSimulation simulation;
    int checked = 0;
    for (const QString &ecu : manager.ecuNames()) {
        for (const GaugeDef &def : manager.gaugeDefs(ecu)) {
            if (def.name == "DEFAULTS")
                continue; // the file's defaults, shown by no screen
            CJob job(Latin1::toStd(ecu), Latin1::toStd(def.jobName));
            simulation.getJob(job);
            bool found = false;
            for (const CJobResult &r : qAsConst(job.results))
                found = found || (Latin1::toQString(r.name).toUpper() == def.resultName && r.format != 6 && r.format != 7);
            QVERIFY2(found, qPrintable(ecu + "/" + def.name + ": " + def.jobName + " gives no " + def.resultName));
            ++checked;
        }
    }
    QVERIFY(checked >= 15);

    // The screen of everything the petrol ECU's measurement job gives.
    GaugeScreenConf all;
    QVERIFY(manager.getSingleScreen("MSV70", "all", &all));
    QCOMPARE(all.columns, 4);
    QCOMPARE(all.elements.size(), 13);
    CJob job("MSV70", "MW_SELECT_LESEN_NORM");
    simulation.getJob(job);
    QStringList numeric;
    for (const CJobResult &r : qAsConst(job.results))
        if (r.format != 6 && r.format != 7)
            numeric << Latin1::toQString(r.name).toUpper();
    QStringList shown;
    for (const GaugeScreenElement &e : all.elements) {
        GaugeDef def;
        QVERIFY(manager.getSingleDef("MSV70", e.name, &def));
        shown << def.resultName;
    }
    numeric.sort();
    shown.sort();
    QCOMPARE(shown, numeric);

    // Every simulated value lands on its dial's scale.
    for (int run = 0; run < 300; ++run) {
        CJob next("MSV70", "MW_SELECT_LESEN_NORM");
        simulation.getJob(next);
        for (const GaugeScreenElement &e : all.elements) {
            GaugeDef def;
            manager.getSingleDef("MSV70", e.name, &def);
            for (const CJobResult &r : qAsConst(next.results)) {
                if (Latin1::toQString(r.name).toUpper() != def.resultName)
                    continue;
                const double v = def.conversionFactor * r.realValue;
                QVERIFY2(v >= def.min && v <= def.max, qPrintable(def.name + ": " + QString::number(v)));
            }
        }
    }
}

void TestDemoFiles::speedGaugeReadsVehicleSpeed()
{
    // The petrol ECU's speed dial shows the result its ECU reports as the
    // vehicle speed, by the demo's own words for it: its translation and
    // the long text of the description file's table.
    QDir::setCurrent(demo);
    GaugeDefManager manager;
    manager.reload();
    GaugeDef speed;
    QVERIFY(manager.getSingleDef("MSV70", "SPEED", &speed));
    QCOMPARE(speed.title, QString("Vehicle speed signal"));
    TranslationMgr translations("en_EN", nullptr);
    QCOMPARE(translations.lookup(RES_L, Latin1::toStd(speed.resultName)), QString("Vehicle speed"));
    PRGFileReader reader;
    std::unique_ptr<PRGTable> table(reader.readTable("MSV70.prg", "BETRIEBSWTAB"));
    QVERIFY(table);
    bool described = false;
    for (const QString &line : table->text.split('\n')) {
        const QStringList cells = line.split('\t');
        if (cells.size() > 1 && CustomJobTables::resultKey(cells.at(1)).toUpper() == speed.resultName)
            described = line.endsWith("Fahrzeuggeschwindigkeit");
    }
    QVERIFY2(described, qPrintable(speed.resultName));

    // The job the dial follows reports that result, a number, on every run.
    EdiabasJobSimulation simulation;
    for (int run = 0; run < 20; ++run) {
        CJob job("MSV70", Latin1::toStd(speed.jobName));
        simulation.getJob(job);
        int found = 0;
        for (const CJobResult &r : qAsConst(job.results)) {
            if (Latin1::toQString(r.name).toUpper() == speed.resultName) {
                ++found;
                QCOMPARE(r.format, 8);
                QVERIFY(r.realValue >= speed.min && r.realValue <= speed.max);
            }
        }
        QCOMPARE(found, 1);
    }
}

void TestDemoFiles::loggerPresetNamesSimulatedResults()
{
    QDir::setCurrent(demo);
    QSettings ini("kelvo.ini", QSettings::IniFormat);
    QCOMPARE(ini.value("logging/logfileprefix").toString(), QString("demo_"));
    QCOMPARE(ini.value("logging/logfilepath").toString(), QString());
    const QString preset = ini.value("logging/preset").toString();
    DataLoggerSet set;
    QCOMPARE(set.readFile(), DataLoggerSet::Loaded);
    QCOMPARE(set.presetNames(), QStringList{preset});
    EdiabasJobSimulation simulation;
    for (const QVariant &v : set.presetEntries(preset)) {
        const QVariantMap entry = v.toMap();
        CJob job(Latin1::toStd(entry.value("ecu").toString()), Latin1::toStd(entry.value("job").toString()));
        simulation.getJob(job);
        bool found = false;
        for (const CJobResult &r : qAsConst(job.results))
            found = found || Latin1::toQString(r.name) == entry.value("result").toString();
        QVERIFY2(found, qPrintable(entry.value("result").toString()));
    }
    QVERIFY(!set.presetEntries(preset).isEmpty());
}


// demo/demo-drive.csv, written by DataLogger through tests/logging's
// demo_drive_tool: two minutes at 20 lines a second, every result of the
// petrol ECU's gauge definitions on its scale, read back as playback and
// the log viewer read it.
void TestDemoFiles::demoDriveLogReadsBack()
{
    QDir::setCurrent(demo);
    CSVReader reader;
    QVERIFY(reader.load("demo-drive.csv"));
    QVERIFY(reader.warnings().isEmpty());
    CSVJobParser parser;
    QVERIFY(parser.loadColumns("demo-drive.csv", reader.readHeader()));
    QVERIFY(parser.warnings().isEmpty());
    reader.indexTimes(parser);
    QCOMPARE(reader.rowCount() - 1, 2400);
    QCOMPARE(reader.startTime(), qint64(0));

    GaugeDefManager manager;
    manager.reload();
    const QList<GaugeDef> defs = manager.gaugeDefs("MSV70");
    QVERIFY(defs.size() >= 13);
    // Every definition finds its column (by the side file's name, ignoring case).
    QHash<QString, GaugeDef> byResult;
    for (const GaugeDef &def : defs) {
        bool found = false;
        for (const JobInfo &info : parser.columns()) {
            if (info.job.ecuName == "MSV70" && info.sideFileName.toUpper() == def.resultName
                && Latin1::toQString(info.job.jobName).toUpper() == def.jobName)
                found = true;
        }
        QVERIFY2(found, qPrintable(def.name));
    }
    // Results carry the translated names: back to the logged ones.
    for (const JobInfo &info : parser.columns()) {
        for (const GaugeDef &def : defs) {
            if (info.job.ecuName == "MSV70" && info.sideFileName.toUpper() == def.resultName)
                byResult.insert(info.resultName, def);
        }
    }

    int markers = 0;
    QString lastMarker;
    for (int row = 0; row < 2400; ++row) {
        const QList<CJob> jobs = parser.parse(reader.getRow(row), reader.dayOffset(row));
        QVERIFY(!jobs.isEmpty());
        QCOMPARE(jobs.first().timeStamp, qint64(50 * (row + 1)));
        for (const CJob &job : jobs) {
            if (job.ecuName != "MSV70")
                continue;
            QCOMPARE(job.getResultCount(), 13);
            for (const CJobResult &r : job.results) {
                QVERIFY(byResult.contains(Latin1::toQString(r.name)));
                const GaugeDef def = byResult.value(Latin1::toQString(r.name));
                const double v = r.realValue * def.conversionFactor;
                QVERIFY2(v >= def.min && v <= def.max, qPrintable(def.name + ": " + QString::number(v)));
            }
        }
        const QString marker = reader.getRow(row).section(';', -1);
        if (marker != lastMarker) {
            ++markers;
            lastMarker = marker;
        }
    }
    QCOMPARE(markers, 3); // Marker.0, then two presses
    QCOMPARE(lastMarker, QString("Marker.2"));
}

QTEST_GUILESS_MAIN(TestDemoFiles)
#include "tst_demofiles.moc"
