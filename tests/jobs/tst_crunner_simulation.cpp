// The runner's simulation way and the name translation of both the
// simulation and EDIABAS ways, with a real job catalogue compiled from a
// table (the translation manager loads it once per process, so the whole
// test case runs in one working directory).
#include "crunner.h"
#include "ediabasstandin.h"
#include "lreleasetool.h"
#include "translationmgr.h"
#include "workdir.h"

#include <QtTest>
#include <memory>

class TestCRunnerSimulation : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void simulatedJobTranslatedAndAnnounced();
    void simulationTakesMinimumPause();
    void expressionsThenAliasesInSimulation();
    void blockRewriteInSimulation();
    void ediabasResultNamesTranslated();

private:
    std::unique_ptr<WorkDir> wd;
};

void TestCRunnerSimulation::initTestCase()
{
    QVERIFY2(!LReleaseTool::path().isEmpty(), "lrelease (qttools5-dev-tools) is needed");
    wd = std::make_unique<WorkDir>();
    const QString base = "translations/jobs_all_en_EN";
    QVERIFY(wd->write(base + ".txt", "STATUS_UNKNOWN_WERT\tRES_L\tUnknown value\n"
                                     "STAT_X_WERT\tRES_L\tX value\n"
                                     "N2\tRES_L\tTwice N\n"));
    QString log;
    QVERIFY2(LReleaseTool::compileTable(wd->filePath(base + ".txt"), &log), qPrintable(log));
    QVERIFY(TranslationMgr::instance()->isLoaded());
    wd->write("config/customexpressions.xml",
              "<customexpressions><customexpression><ecu>XYZ</ecu><job>ABC</job>"
              "<result><name>N2</name><expression>STATUS_UNKNOWN_WERT*2</expression></result>"
              "</customexpression></customexpressions>");
}

void TestCRunnerSimulation::cleanupTestCase()
{
    wd.reset();
}

void TestCRunnerSimulation::simulatedJobTranslatedAndAnnounced()
{
    CRunner runner;
    runner.setSimulation(true);
    QList<int> codes;
    QList<CJob> jobs;
    connect(&runner, &CRunner::jobFinished, this, [&](const CJob &j, int rc) { jobs << j; codes << rc; });
    CJob job("XYZ", "ABC");
    job.errorText = "kept";
    const qint64 before = QDateTime::currentMSecsSinceEpoch();
    QCOMPARE(runner.runJob(job), 0);
    QCOMPARE(codes, QList<int>{0});
    QCOMPARE(jobs.size(), 1);
    QVERIFY(job.timeStamp >= before);
    QCOMPARE(job.jobTitle, std::string("Unknown"));
    // Simulated results, then the custom expression.
    QCOMPARE(job.getResultCount(), 4);
    QCOMPARE(job.resultAt(0).name, std::string("STATUS_UNKNOWN_WERT"));
    QCOMPARE(job.resultAt(0).displayName, std::string("Unknown value"));
    QCOMPARE(job.resultAt(1).displayName, std::string("JOB_STATUS"));
    QCOMPARE(job.resultAt(3).name, std::string("N2"));
    QCOMPARE(job.resultAt(3).displayName, std::string("Twice N"));
    QCOMPARE(job.resultAt(3).realValue, 2.0 * job.resultAt(0).intValue);
    QCOMPARE(job.errorText, std::string("kept"));
}

void TestCRunnerSimulation::simulationTakesMinimumPause()
{
    CRunner runner;
    runner.setSimulation(true);
    QElapsedTimer t;
    t.start();
    for (int i = 0; i < 10; ++i) {
        CJob job("XYZ", "ABC");
        runner.runJob(job);
        QVERIFY(job.duration >= CRunner::DefaultMinSimulationPause);
    }
    QVERIFY(t.elapsed() >= 10 * CRunner::DefaultMinSimulationPause);
}

void TestCRunnerSimulation::expressionsThenAliasesInSimulation()
{
    CRunner runner;
    runner.setSimulation(true);
    CJob job("XYZ", "ABC");
    job.resultAliases = "STATUS_UNKNOWN_WERT=N";
    QCOMPARE(runner.runJob(job), 0);
    // The formula saw the original name; the alias renamed it afterwards,
    // and the translation follows the new name.
    QCOMPARE(job.resultAt(0).name, std::string("N"));
    QCOMPARE(job.resultAt(0).displayName, std::string("N"));
    QCOMPARE(job.resultAt(3).name, std::string("N2"));
}

void TestCRunnerSimulation::blockRewriteInSimulation()
{
    CRunner runner;
    runner.setSimulation(true);
    runner.setMinSimulationPause(0);
    QStringList seen;
    for (int i = 0; i < 5; ++i) {
        CJob job("XYZ", "STATUS_MESSWERTBLOCK_LESEN");
        job.arguments = "3;A";
        runner.runJob(job);
        seen << QString::fromStdString(job.arguments);
    }
    QCOMPARE(seen, QStringList({"3;A", "3;A", "3;A", "2;A", "2;A"}));
    // Another job of the same name under another ECU counts on its own.
    CJob other("OTHER", "STATUS_MESSWERTBLOCK_LESEN");
    other.arguments = "3;A";
    runner.runJob(other);
    QCOMPARE(other.arguments, std::string("3;A"));
}

void TestCRunnerSimulation::ediabasResultNamesTranslated()
{
    using namespace EdiabasStandIn;
    reset();
    setHandler([](const JobRequest &, Response &out) {
        Result r;
        r.name = "stat_x_wert";
        r.format = 8;
        r.kind = Result::Real;
        r.real = 2;
        out = Response();
        out.sets = {ResultSet{r}};
    });
    {
        CRunner runner;
        CJob job("D_MOTOR", "STATUS_X");
        QCOMPARE(runner.runJob(job), 0);
        QCOMPARE(job.getResultCount(), 1);
        QCOMPARE(job.resultAt(0).name, std::string("stat_x_wert"));
        QCOMPARE(job.resultAt(0).displayName, std::string("X value"));
    }
    setHandler(nullptr);
    reset();
}

QTEST_GUILESS_MAIN(TestCRunnerSimulation)
#include "tst_crunner_simulation.moc"
