// Lines per second written by the data logger for jobs of 50 results into
// 50 columns (fill all columns off and on), each line flushed to the file.
#include "datalogger.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

static void BM_LogLines(benchmark::State &state)
{
    QTemporaryDir dir;
    DataLogger logger;
    logger.setLogPath(dir.path());
    logger.setFillColumns(state.range(0) != 0);
    CJob job("D73N57C0", "STATUS_MESSWERTBLOCK_LESEN");
    for (int i = 0; i < 50; ++i) {
        CJobResult r;
        r.name = "STAT_RESULT_" + std::to_string(i);
        r.format = 8;
        r.setTextValue(std::to_string(i * 1.25));
        job.addResult(r);
        CJobResultPair pair;
        pair.job = job;
        pair.resultName = r.name;
        pair.resultDisplayName = r.name;
        pair.result.format = 8;
        logger.addToFilter(pair);
    }
    logger.startLog();
    qint64 stamp = QDateTime::currentMSecsSinceEpoch() + 1000;
    for (auto _ : state) {
        job.timeStamp = ++stamp;
        logger.handleData(job);
    }
    logger.stopLog();
    state.SetItemsProcessed(state.iterations());
    state.counters["lines_per_s"] = benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_LogLines)->Arg(0)->Arg(1)->UseRealTime();

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
