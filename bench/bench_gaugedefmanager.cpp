// Start-up cost of the gauge files: the main window loads every definition
// and screen before it shows. Loads N ECU folders of 40 definitions and 10
// screens of 8 gauges each; and parses one large definitions file alone.
#include "gaugedefmanager.h"
#include "gaugeinifile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {
QByteArray definitions(int count)
{
    QByteArray text = "[DEFAULTS]\ndecimals=1\n";
    for (int i = 0; i < count; ++i) {
        text += "[GAUGE_" + QByteArray::number(i) + "]\n"
                "Jobname=mw_select_lesen_norm\nResultname=stat_value_" + QByteArray::number(i) + "_wert\n"
                "Min=0\nMax=" + QByteArray::number(100 + i) + "\ntitle=Value " + QByteArray::number(i) +
                ", scaled\nunit=bar\nneedlecolor=#ff0000\ncolor=#2040ff\nfillcolor=darkgrey\n"
                "textcolor=#ffffff\ntitlecolor=#c0c0c0\nconversionFactor=0.5\n";
    }
    return text;
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile f(path);
    f.open(QIODevice::WriteOnly);
    f.write(bytes);
}
} // namespace

static void BM_LoadGaugeFolders(benchmark::State &state)
{
    QTemporaryDir dir;
    const QString previous = QDir::currentPath();
    QDir::setCurrent(dir.path());
    const int ecus = int(state.range(0));
    for (int e = 0; e < ecus; ++e) {
        const QString ecu = "gauges/ECU" + QString::number(e);
        writeFile(ecu + "/definitions.txt", definitions(40));
        for (int s = 0; s < 10; ++s) {
            QByteArray screen = "columns=4\n";
            for (int g = 0; g < 8; ++g)
                screen += "[GAUGE_" + QByteArray::number((s * 8 + g) % 40) + "]\n";
            writeFile(ecu + "/screens/screen" + QString::number(s) + ".txt", screen);
        }
    }
    for (auto _ : state) {
        GaugeDefManager manager;
        manager.reload();
        benchmark::DoNotOptimize(manager.gaugeDefs("ECU0").size());
    }
    state.counters["ecus"] = ecus;
    state.SetItemsProcessed(state.iterations() * ecus * (40 + 10));
    QDir::setCurrent(previous);
}
BENCHMARK(BM_LoadGaugeFolders)->Arg(1)->Arg(10)->Arg(50)->Unit(benchmark::kMillisecond);

static void BM_ParseDefinitions(benchmark::State &state)
{
    const QByteArray text = definitions(int(state.range(0)));
    for (auto _ : state) {
        GaugeIniFile ini;
        ini.parse(text);
        benchmark::DoNotOptimize(ini.childGroups().size());
    }
    state.SetBytesProcessed(state.iterations() * text.size());
}
BENCHMARK(BM_ParseDefinitions)->Arg(40)->Arg(400)->Unit(benchmark::kMicrosecond);

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
