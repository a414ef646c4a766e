// The runner evaluates the custom formulas and translates the result names
// after every job: their cost per job, for a small job and for the largest
// job the simulation makes (600 results).
#include "cjob.h"
#include "customexpressionseditor.h"
#include "ediabasjobsimulation.h"
#include "translationmgr.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QLibraryInfo>
#include <QTranslator>
#include <benchmark/benchmark.h>

#include "bivtopoconverter.h"

static CJob makeJob(int results)
{
    CJob job("E", "J");
    for (int i = 0; i < results; ++i) {
        CJobResult r;
        r.name = "STAT_VALUE_" + std::to_string(i) + "_WERT";
        r.realValue = i * 0.5;
        r.format = 8;
        job.addResult(r);
    }
    return job;
}

static void BM_ApplyExpressions(benchmark::State &state)
{
    const int results = int(state.range(0));
    const int formulas = int(state.range(1));
    CustomExpressionsEditor editor;
    CJob key("E", "J");
    for (int f = 0; f < formulas; ++f)
        editor.evaluator().addExpression(key, QStringLiteral("F%1").arg(f),
                                         QStringLiteral("STAT_VALUE_%1_WERT * 2 + sin(STAT_VALUE_0_WERT)").arg(f));
    const CJob proto = makeJob(results);
    for (auto _ : state) {
        CJob job = proto;
        editor.applyExpressions(job);
        benchmark::DoNotOptimize(job.results.constData());
    }
    state.SetItemsProcessed(state.iterations() * formulas);
}
BENCHMARK(BM_ApplyExpressions)->Args({10, 1})->Args({10, 5})->Args({600, 1})->Args({600, 5});

static void BM_SimulatedJob(benchmark::State &state)
{
    EdiabasJobSimulation sim;
    sim.seed(1);
    for (auto _ : state) {
        CJob job("D73N57C0", state.range(0) ? "TEST_MANY_RESULTS" : "STATUS_LMM");
        sim.getJob(job);
        benchmark::DoNotOptimize(job.results.constData());
    }
}
BENCHMARK(BM_SimulatedJob)->Arg(0)->Arg(1);

static void BM_TranslateJob(benchmark::State &state)
{
    // A catalogue of 5000 result names, compiled the way users do it.
    QTemporaryDir dir;
    QFile table(dir.filePath("t.txt"));
    if (!table.open(QIODevice::WriteOnly)) {
        state.SkipWithError("no temporary file");
        return;
    }
    for (int i = 0; i < 5000; ++i)
        table.write(QStringLiteral("STAT_VALUE_%1_WERT\tRES_L\tValue %1\n").arg(i).toUtf8());
    table.close();
    BivToPoConverter conv;
    conv.convert(dir.filePath("t.txt"), dir.filePath("t.po"));
    QDir(dir.path()).mkdir(QStringLiteral("translations"));
    const QString lrelease = QLibraryInfo::location(QLibraryInfo::BinariesPath) + "/lrelease";
    if (QProcess::execute(lrelease, {"-silent", dir.filePath("t.po"), "-qm", dir.filePath("translations/jobs_all_en_EN.qm")}) != 0) {
        state.SkipWithError("lrelease failed");
        return;
    }
    const QString previous = QDir::currentPath();
    QDir::setCurrent(dir.path());
    TranslationMgr mgr(QStringLiteral("en_EN"), nullptr);
    QDir::setCurrent(previous);
    const CJob proto = makeJob(int(state.range(0)));
    for (auto _ : state) {
        CJob job = proto;
        mgr.translate(job);
        benchmark::DoNotOptimize(job.results.constData());
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_TranslateJob)->Arg(10)->Arg(600);

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
