// Decoding speed for the largest telegram group of the built-in tables
// (73 rows of "12050B04" in DM528DS0): replies per second, cut out of the
// adapter's bytes and decoded into results, as the runner does per job.
#include "cjob.h"
#include "ecudataresponse.h"
#include "ecudatasolver.h"
#include "ecumsg.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {

struct Fixture
{
    QTemporaryDir dir;
    EcuDataSolver solver;
    QByteArray request;
    QByteArray received;
    Fixture()
    {
        const QString previous = QDir::currentPath();
        QDir::setCurrent(dir.path());
        QDir().mkpath(QStringLiteral("ecudata"));
        QFile(QStringLiteral("ecudata/DM528DS0_DATATABLE")).open(QIODevice::WriteOnly);
        solver.loadTables();
        QDir::setCurrent(previous);

        request = EcuMsg::buildRequest("DM528DS0_SERIAL", "12050B04");
        // A DS2 reply long enough for every row: address, length, A0, data, check.
        QByteArray reply;
        reply.append('\x12');
        reply.append(char(0));
        reply.append('\xA0');
        for (int i = 0; i < 120; ++i)
            reply.append(char(i * 37));
        reply[1] = char(reply.size() + 1);
        reply.append(char(EcuMsg::xorCheckSum(reply)));
        received = request + reply;
    }
};

Fixture &fixture()
{
    static Fixture f;
    return f;
}

CJob makeJob()
{
    CJob job;
    job.ecuName = "DM528DS0_SERIAL";
    job.jobName = "STATUS_MESSWERTE";
    job.telegram = "12050B04";
    return job;
}

void BM_DecodeLargestGroup(benchmark::State &state)
{
    Fixture &f = fixture();
    EcuDataResponse response;
    CJob job = makeJob();
    for (auto _ : state) {
        job.clearResults();
        response.setData(f.received.mid(f.request.size()));
        f.solver.fillJobResults(job, response);
        benchmark::DoNotOptimize(job.results.constData());
    }
    if (job.getResultCount() != 73)
        state.SkipWithError("expected 73 results");
    state.SetItemsProcessed(state.iterations());
    state.counters["replies/s"] = benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_DecodeLargestGroup);

void BM_CutAndDecodeLargestGroup(benchmark::State &state)
{
    Fixture &f = fixture();
    EcuMsg msg;
    EcuDataResponse response;
    CJob job = makeJob();
    for (auto _ : state) {
        job.clearResults();
        msg.clear();
        msg.setTelegram(f.request);
        msg.addData(f.received);
        response.setData(msg.message());
        f.solver.fillJobResults(job, response);
        benchmark::DoNotOptimize(job.results.constData());
    }
    if (msg.status() != EcuMsg::Complete || job.getResultCount() != 73)
        state.SkipWithError("reply not complete or results missing");
    state.SetItemsProcessed(state.iterations());
    state.counters["replies/s"] = benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_CutAndDecodeLargestGroup);

void BM_CutReplyOnly(benchmark::State &state)
{
    Fixture &f = fixture();
    EcuMsg msg;
    for (auto _ : state) {
        msg.clear();
        msg.setTelegram(f.request);
        msg.addData(f.received);
        benchmark::DoNotOptimize(msg.message());
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_CutReplyOnly);

} // namespace

BENCHMARK_MAIN();
