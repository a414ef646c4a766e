// Reading an hour of CSV log back (72,000 lines x 50 columns, ~30 MB, see
// csvlogbenchdata.h): the log viewer's load through its first full replot,
// the peak resident memory that load takes, and a full replot of the
// loaded window. The playback benchmarks of the same log go below, in the
// section marked for them, sharing the log and main().
#include "csvlogbenchdata.h"
#include "guibenchmain.h"

#include "csvgraphwindow.h"
#include "playbackthread.h"
#include "plotwidget.h"

#include <benchmark/benchmark.h>
#include <qwt_plot_canvas.h>

#include <QApplication>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>
#include <QTimer>
#include <functional>
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
// Playback (PlayBackThread) of the same log, every row handed to a listener
// in the GUI thread as the playback window takes them.
//  - BM_PlaybackPacing/<pause ms>/<rows>: the last rows of the log played at
//    that pause; mean interval between rows as they reach the GUI thread
//    (target: within 2 % of the pause) and drift (the last row against the
//    schedule the first row set).
//  - BM_PlaybackUnpaced: the whole log at a pause of 0, every row in order
//    to the GUI thread (target: within 10 s) while a 10 ms timer in the GUI
//    thread keeps firing (target: no gap over 100 ms).
// ---------------------------------------------------------------------------
namespace {
bool waitFor(const std::function<bool()> &done, int timeoutMs)
{
    QElapsedTimer clock;
    clock.start();
    // Sleeps until an event comes, as an idle GUI thread does; the timer
    // makes sure the time-out is seen.
    QTimer wake;
    wake.start(50);
    while (!done()) {
        if (clock.elapsed() > timeoutMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    return true;
}

// One player in its thread and what reaches the GUI thread.
struct Run
{
    QThread thread;
    PlayBackThread *worker = nullptr;
    QObject listener;
    QElapsedTimer clock;
    std::vector<qint64> arrivals; // nanoseconds since the clock started
    std::vector<qint64> stamps;
    bool loaded = false;
    bool stopped = false;
    double checksum = 0;

    explicit Run(int speed)
    {
        worker = new PlayBackThread();
        worker->setFileName(CsvLogBench::logFile());
        worker->setSpeed(speed);
        QObject::connect(&thread, &QThread::started, worker, &PlayBackThread::runLoop);
        QObject::connect(&thread, &QThread::finished, worker, &QObject::deleteLater);
        QObject::connect(worker, &PlayBackThread::fileStatusChanged, &listener,
                         [this](int s) { loaded = s == PlayBackThread::Loaded; });
        QObject::connect(worker, &PlayBackThread::statusChanged, &listener, [this](int) { stopped = true; });
        QObject::connect(worker, &PlayBackThread::jobsReady, &listener, [this](QList<CJob> jobs) {
            arrivals.push_back(clock.nsecsElapsed());
            if (!jobs.isEmpty()) {
                stamps.push_back(jobs.first().timeStamp);
                checksum += jobs.first().results.isEmpty() ? 0 : jobs.first().results.first().realValue;
            }
        });
        worker->moveToThread(&thread);
        arrivals.reserve(CsvLogBench::Lines);
        stamps.reserve(CsvLogBench::Lines);
        thread.start();
        waitFor([this] { return loaded; }, 60000);
    }
    ~Run()
    {
        worker->quit();
        thread.quit();
        thread.wait();
    }
    // Plays from `first` to the end of the log.
    bool play(int first, int timeoutMs)
    {
        worker->seek(quint32(first));
        // The stopped player shows the row it was sent to; wait for it.
        waitFor([this] { return !arrivals.empty(); }, 10000);
        arrivals.clear();
        stamps.clear();
        clock.start();
        worker->startPlay();
        return waitFor([this] { return stopped; }, timeoutMs);
    }
    bool inOrder(int first) const
    {
        for (size_t i = 0; i < stamps.size(); ++i)
            if (stamps[i] != qint64(first + int(i)) * CsvLogBench::Step)
                return false;
        return true;
    }
};
} // namespace

static void BM_PlaybackPacing(benchmark::State &state)
{
    const int pause = int(state.range(0));
    const int rows = int(state.range(1));
    for (auto _ : state) {
        Run run(pause);
        const int first = CsvLogBench::Lines - rows;
        if (!run.play(first, rows * pause * 3 + 60000)) {
            state.SkipWithError("playback did not reach the end");
            return;
        }
        const size_t n = run.arrivals.size();
        if (n != size_t(rows) || !run.inOrder(first)) {
            state.SkipWithError("rows lost, repeated or out of order");
            return;
        }
        const double spanMs = double(run.arrivals.back() - run.arrivals.front()) / 1e6;
        const double mean = spanMs / double(n - 1);
        double maxGap = 0;
        for (size_t i = 1; i < n; ++i)
            maxGap = std::max(maxGap, double(run.arrivals[i] - run.arrivals[i - 1]) / 1e6);
        state.counters["rows"] = double(n);
        state.counters["mean_interval_ms"] = mean;
        state.counters["deviation_pct"] = (mean - pause) / pause * 100.0;
        // The last row against the schedule set by the first.
        state.counters["drift_ms"] = spanMs - double(n - 1) * pause;
        state.counters["max_interval_ms"] = maxGap;
        state.counters["first_row_ms"] = double(run.arrivals.front()) / 1e6;
    }
}
BENCHMARK(BM_PlaybackPacing)
    ->Args({50, 400})
    ->Args({5, 400})
    ->Args({50, 4000})
    ->Args({5, 4000})
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

static void BM_PlaybackUnpaced(benchmark::State &state)
{
    for (auto _ : state) {
        Run run(0);
        // The GUI thread's answer: the longest gap between ticks of a 10 ms
        // timer while the rows pour in.
        QElapsedTimer tick;
        qint64 longestGap = 0;
        QTimer timer;
        timer.setInterval(10);
        QObject::connect(&timer, &QTimer::timeout, [&] {
            if (tick.isValid())
                longestGap = std::max(longestGap, tick.nsecsElapsed());
            tick.start();
        });
        timer.start();
        QElapsedTimer total;
        total.start();
        const bool done = run.play(0, 120000);
        const double seconds = double(total.nsecsElapsed()) / 1e9;
        timer.stop();
        if (!done || run.arrivals.size() != size_t(CsvLogBench::Lines) || !run.inOrder(0)) {
            state.SkipWithError("rows lost, repeated or out of order");
            return;
        }
        state.counters["rows"] = double(run.arrivals.size());
        state.counters["seconds"] = seconds;
        state.counters["rows_per_s"] = double(CsvLogBench::Lines) / seconds;
        state.counters["gui_longest_gap_ms"] = double(longestGap) / 1e6;
        benchmark::DoNotOptimize(run.checksum);
    }
}
BENCHMARK(BM_PlaybackUnpaced)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();


int main(int argc, char **argv)
{
    return runGuiBenchmarksInTempDir(argc, argv);
}
