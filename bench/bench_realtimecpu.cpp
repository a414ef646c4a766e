// What the whole program costs while realtime plot windows follow their
// jobs: the main window in simulation mode with no pause after a job (about
// 200 jobs a second in all), four plot windows in realtime mode with three
// curves each, and the CPU time of the process (runner, job receiver and GUI
// thread) over a few seconds. Run it offscreen, or under Xvfb with
// "-platform xcb" for the cost of a real display.
#include "guibenchmain.h"
#include "jobqueue.h"
#include "kelvosettings.h"
#include "mainwindow.h"
#include "plotwindow.h"
#include "resulttableview.h"

#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <QFile>
#include <QTemporaryDir>
#include <sys/resource.h>

namespace {
double cpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec)
        + double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// The event loop as the program runs it: idle between events.
void runFor(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

// Ticks up to three numeric results of the window's table.
void tickThree(PlotWindow *window)
{
    ResultTableModel *model = window->findChild<ResultTableView *>("tableView")->tableModel();
    int ticked = 0;
    for (int row = 0; row < model->rowCount() && ticked < 3; ++row) {
        const CJobResult res = model->userData(row, 0).value<CJobResult>();
        if (res.format == 2 || res.format == 4 || res.format == 8) {
            model->setCellData(row, 0, Qt::Checked, Qt::CheckStateRole);
            ++ticked;
        }
    }
}

void BM_FourRealtimeWindows(benchmark::State &state)
{
    const int curves = int(state.range(0));
    QTemporaryDir dir;
    QDir::setCurrent(dir.path());
    {
        auto settings = KelvoSettings::open();
        settings->setValue("ediabas/pause_after_job", 0);
        settings->setValue("graph/FPS", "realtime");
    }
    MainWindow main(QStringList{"kelvo", "simulation"});
    main.resize(1280, 1000);
    const QList<CJob> jobs = {CJob("D73N57C0", "STATUS_LMM"), CJob("D73N57C0", "STATUS_INT"),
                              CJob("GS19D", "STATUS_INT"), CJob("MSV70", "STATUS_INT")};
    QList<PlotWindow *> windows;
    int n = 0;
    for (CJob job : jobs) {
        JobQueue::instance()->addJob(job);
        PlotWindow &window = main.createPlotWindow(job);
        window.show();
        window.parentWidget()->setGeometry((n % 2) * 620, (n / 2) * 460, 620, 460);
        windows << &window;
        ++n;
    }
    runFor(1500); // tables filled, first values in
    if (curves > 0) {
        for (PlotWindow *window : windows)
            tickThree(window);
    }
    runFor(500);

    for (auto _ : state) {
        quint64 before = 0;
        for (PlotWindow *window : windows)
            before += window->messageCount();
        const double cpu0 = cpuSeconds();
        QElapsedTimer wall;
        wall.start();
        runFor(5000);
        const double seconds = double(wall.elapsed()) / 1000.0;
        const double cpu = cpuSeconds() - cpu0;
        quint64 after = 0;
        for (PlotWindow *window : windows)
            after += window->messageCount();
        state.counters["jobs_per_s"] = double(after - before) / seconds;
        state.counters["cpu_pct_of_core"] = 100.0 * cpu / seconds;
        state.counters["cpu_us_per_job"] = after > before ? 1e6 * cpu / double(after - before) : 0.0;
    }
    for (CJob job : jobs)
        JobQueue::instance()->removeJob(job);
}
} // namespace

BENCHMARK(BM_FourRealtimeWindows)->Arg(0)->Arg(3)->Iterations(1)->Unit(benchmark::kMillisecond);

int main(int argc, char **argv)
{
    return runGuiBenchmarks(argc, argv);
}
