// Reading an hour of CSV log back (72,000 lines x 50 columns, ~30 MB, see
// csvlogbenchdata.h): the log viewer's load through its first full replot,
// the peak resident memory that load takes, and a full replot of the
// loaded window. The playback benchmarks of the same log go below, in the
// section marked for them, sharing the log and main().
#include "csvlogbenchdata.h"
#include "guibenchmain.h"

#include "csvgraphwindow.h"
#include "plotwidget.h"

#include <benchmark/benchmark.h>
#include <qwt_plot_canvas.h>

#include <QApplication>
#include <QElapsedTimer>
#include <fstream>
#include <memory>
#include <string>

namespace {
// Kilobytes of a "Vm..." line of /proc/self/status.
qint64 statusKb(const char *key)
{
    std::ifstream status("/proc/self/status");
    std::string line;
    const std::string prefix = std::string(key) + ":";
    while (std::getline(status, line)) {
        if (line.compare(0, prefix.size(), prefix) == 0)
            return std::stoll(line.substr(prefix.size()));
    }
    return -1;
}

// Starts the peak resident size (VmHWM) over at the current size.
bool resetPeak()
{
    std::ofstream clear("/proc/self/clear_refs");
    clear << "5";
    return bool(clear);
}

std::unique_ptr<CSVGraphWindow> shownWindow()
{
    auto w = std::make_unique<CSVGraphWindow>();
    w->resize(1200, 700);
    w->show();
    QApplication::processEvents();
    return w;
}
} // namespace

// CSVGraphWindow::load: the whole-log read into the curves and the first
// full replot it ends with. Also the peak resident growth of the process
// during the load, against the file's size (target: under 3x).
static void BM_CSVGraphLoad(benchmark::State &state)
{
    const QString file = CsvLogBench::logFile();
    double growthMb = 0.0;
    for (auto _ : state) {
        state.PauseTiming();
        auto w = shownWindow();
        const qint64 before = statusKb("VmRSS");
        const bool reset = resetPeak();
        state.ResumeTiming();
        const bool ok = w->load(file);
        state.PauseTiming();
        const qint64 peak = statusKb("VmHWM");
        if (!ok || w->plot()->curveMap().size() != CsvLogBench::Columns)
            state.SkipWithError("log not loaded");
        if (reset && before > 0 && peak > 0)
            growthMb = std::max(growthMb, (peak - before) / 1024.0);
        w.reset();
        QApplication::processEvents();
        state.ResumeTiming();
    }
    const double fileMb = CsvLogBench::fileBytes() / (1024.0 * 1024.0);
    state.counters["file_MiB"] = fileMb;
    state.counters["peak_rss_growth_MiB"] = growthMb;
    state.counters["growth_per_file_size"] = growthMb / fileMb;
    state.counters["cells_per_s"] = benchmark::Counter(double(state.iterations()) * CsvLogBench::Lines
                                                           * CsvLogBench::Columns,
                                                       benchmark::Counter::kIsRate);
}
BENCHMARK(BM_CSVGraphLoad)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

// A full replot of the loaded window (all 50 curves of 72,000 points, the
// newest 30 s shown), as a scale change or a curve switched on causes.
static void BM_CSVGraphFullReplot(benchmark::State &state)
{
    auto w = shownWindow();
    if (!w->load(CsvLogBench::logFile())) {
        state.SkipWithError("log not loaded");
        return;
    }
    for (auto _ : state) {
        w->plot()->replot();
        w->plot()->canvas()->repaint();
    }
}
BENCHMARK(BM_CSVGraphFullReplot)->Unit(benchmark::kMillisecond)->UseRealTime();

// The same with the whole hour in view.
static void BM_CSVGraphFullReplotWholeLog(benchmark::State &state)
{
    auto w = shownWindow();
    if (!w->load(CsvLogBench::logFile())) {
        state.SkipWithError("log not loaded");
        return;
    }
    w->plot()->setAxisScale(QwtPlot::xBottom, 0, double(CsvLogBench::Lines) * CsvLogBench::Step);
    for (auto _ : state) {
        w->plot()->replot();
        w->plot()->canvas()->repaint();
    }
}
BENCHMARK(BM_CSVGraphFullReplotWholeLog)->Unit(benchmark::kMillisecond)->UseRealTime();

// ---------------------------------------------------------------------------
// Playback benchmarks (PlayBack, PlayBackThread) of the same log:
// CsvLogBench::logFile() gives it; add them here.
// ---------------------------------------------------------------------------

int main(int argc, char **argv)
{
    return runGuiBenchmarksInTempDir(argc, argv);
}
