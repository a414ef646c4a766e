// Cost of one EDIABAS job transaction through the binding and the session
// lock against the stand-in, of reading one result set as CJobResults, and
// of loading a larger stand-in script.
#include "ediabasapi.h"
#include "ediabassessionlock.h"
#include "ediabasstandin.h"
#include "ediabasutils2.h"

#include <QByteArray>
#include <QCoreApplication>
#include <benchmark/benchmark.h>

namespace {

QByteArray script(int ecus, int jobs, int results)
{
    QByteArray s = "{\"ecus\":{";
    for (int e = 0; e < ecus; ++e) {
        s += (e ? "," : "") + QByteArray("\"ECU") + QByteArray::number(e) + "\":{\"jobs\":{";
        for (int j = 0; j < jobs; ++j) {
            s += (j ? "," : "") + QByteArray("\"JOB") + QByteArray::number(j) + "\":{\"sets\":[[";
            for (int r = 0; r < results; ++r)
                s += (r ? "," : "") + QByteArray("{\"name\":\"STAT_") + QByteArray::number(r)
                     + "_WERT\",\"real\":" + QByteArray::number(r * 1.5) + "}";
            s += "]]}";
        }
        s += "}}";
    }
    return s + "}}";
}

void transaction()
{
    EdiabasSessionLock lock;
    apiJob("ECU0", "JOB0", "", "");
    while (apiState() == 0) {
    }
    unsigned short count = 0;
    apiResultNumber(&count, 1);
    for (unsigned short i = 1; i <= count; ++i) {
        char name[APIMAXTEXT];
        char text[APIMAXTEXT];
        int format = 0;
        double value = 0;
        apiResultName(name, i, 1);
        apiResultText(text, name, 1, "");
        apiResultFormat(&format, name, 1);
        apiResultReal(&value, name, 1);
    }
    apiErrorCode();
    apiErrorText();
}

void BM_JobTransaction(benchmark::State &state)
{
    EdiabasStandIn::reset();
    EdiabasStandIn::loadScript(script(1, 1, int(state.range(0))));
    apiInit();
    for (auto _ : state) {
        transaction();
        if (state.iterations() % 4096 == 0)
            EdiabasStandIn::clearCallLog();
    }
    apiEnd();
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_JobTransaction)->Arg(1)->Arg(10)->Arg(100);

void BM_SessionLockUncontended(benchmark::State &state)
{
    for (auto _ : state) {
        EdiabasSessionLock lock;
        benchmark::DoNotOptimize(lock.isLocked());
    }
}
BENCHMARK(BM_SessionLockUncontended);

void BM_FillResults(benchmark::State &state)
{
    EdiabasStandIn::reset();
    EdiabasStandIn::loadScript(script(1, 1, int(state.range(0))));
    apiInit();
    apiJob("ECU0", "JOB0", "", "");
    EdiabasUtils2 worker;
    for (auto _ : state) {
        QList<CJobResult> list;
        worker.fillResults(list, 1);
        benchmark::DoNotOptimize(list.size());
        if (state.iterations() % 256 == 0)
            EdiabasStandIn::clearCallLog();
    }
    apiErrorText();
    apiEnd();
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_FillResults)->Arg(10)->Arg(100);

void BM_LoadScript(benchmark::State &state)
{
    const QByteArray json = script(20, 20, 10);
    for (auto _ : state)
        benchmark::DoNotOptimize(EdiabasStandIn::checkScript(json));
    state.SetBytesProcessed(state.iterations() * json.size());
}
BENCHMARK(BM_LoadScript);

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    qSetMessagePattern(QString());
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &) {});
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
