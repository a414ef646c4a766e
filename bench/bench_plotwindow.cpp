// What one finished job costs a plot window in the GUI thread: the intake
// in realtime mode and in timed mode (points only; realtime then shows
// them with the next display frame), a realtime job followed by its own
// frame and paint (the worst case, one job per frame), and one refresh
// tick of the timed mode (table filled, plots drawn), for jobs of 20 and
// 200 results.
#include "guibenchmain.h"
#include "jobmetatypes.h"
#include "kelvosettings.h"
#include "plotwindow.h"
#include "resulttableview.h"

#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QTemporaryDir>
#include <QThread>
#include <QVector>
#include <benchmark/benchmark.h>

#include <cmath>

namespace {
CJob makeJob(int results, qint64 stamp, int n)
{
    CJob job("D_MOTOR", "STATUS_MESSWERTE");
    job.timeStamp = stamp;
    job.duration = 40;
    for (int i = 0; i < results; ++i) {
        CJobResult r;
        r.name = "STAT_VALUE_" + std::to_string(i) + "_WERT";
        r.typeName = "real";
        r.format = 8;
        r.unit = "rpm";
        r.realValue = 1000 + 500 * std::sin(n * 0.05 + i);
        r.setTextValue(std::to_string(r.realValue));
        job.addResult(r);
    }
    return job;
}

struct Window
{
    explicit Window(const char *fps, int results)
    {
        KelvoSettings::open()->setValue("graph/FPS", fps);
        window = std::make_unique<PlotWindow>(CJob("D_MOTOR", "STATUS_MESSWERTE"));
        window->resize(1000, 600);
        window->show();
        window->refreshTimer()->stop();
        window->onJobFinished(makeJob(results, QDateTime::currentMSecsSinceEpoch(), 0), 0);
        ResultTableModel *model = window->findChild<ResultTableView *>("tableView")->tableModel();
        model->setCellData(0, 0, Qt::Checked, Qt::CheckStateRole);
        model->setCellData(1, 0, Qt::Checked, Qt::CheckStateRole);
        QCoreApplication::processEvents();
        QThread::msleep(250); // past the resize pause
        QCoreApplication::processEvents();
        start = window->startTime();
    }
    std::unique_ptr<PlotWindow> window;
    qint64 start = 0;
};

// Ten prepared jobs of changing values; only the time stamp moves on.
// With `frame` every job is shown on its own: the realtime frame (table,
// new points) and the paint of the window follow it.
void intake(benchmark::State &state, const char *mode, bool frame = false)
{
    Window w(mode, int(state.range(0)));
    QVector<CJob> jobs;
    for (int k = 0; k < 10; ++k)
        jobs << makeJob(int(state.range(0)), 0, k);
    int n = 1;
    for (auto _ : state) {
        CJob job = jobs.at(n % 10);
        job.timeStamp = w.start + 50 * n;
        w.window->onJobFinished(job, 0);
        if (frame) {
            w.window->onFrame();
            QCoreApplication::processEvents();
        }
        ++n;
    }
    state.SetItemsProcessed(state.iterations());
}

void BM_IntakeRealtime(benchmark::State &state)
{
    intake(state, "realtime");
}
BENCHMARK(BM_IntakeRealtime)->Arg(20)->Arg(200)->Unit(benchmark::kMicrosecond);

void BM_IntakeTimed(benchmark::State &state)
{
    intake(state, "10");
}
BENCHMARK(BM_IntakeTimed)->Arg(20)->Arg(200)->Unit(benchmark::kMicrosecond);

void BM_RealtimeJobAndFrame(benchmark::State &state)
{
    intake(state, "realtime", true);
}
BENCHMARK(BM_RealtimeJobAndFrame)->Arg(20)->Arg(200)->Unit(benchmark::kMicrosecond);

void BM_TimedTick(benchmark::State &state)
{
    Window w("10", int(state.range(0)));
    for (int n = 1; n < 200; ++n)
        w.window->onJobFinished(makeJob(int(state.range(0)), w.start + 50 * n, n), 0);
    QCoreApplication::processEvents();
    for (auto _ : state)
        w.window->timerTimeout();
}
BENCHMARK(BM_TimedTick)->Arg(20)->Arg(200)->Unit(benchmark::kMicrosecond);
} // namespace

int main(int argc, char **argv)
{
    return runGuiBenchmarksInTempDir(argc, argv);
}
