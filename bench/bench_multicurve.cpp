// Drawing cost of a long-running multi-curve plot: 12 curves of 1,000,000
// points each on a canvas of the single-plot benchmark's size, with the
// legend below it; full replots and the 200 ms redraw tick with one new
// point per curve. Per point it compares with bench_plotwidget.
#include "multicurveplotwindow.h"
#include "plotbenchdata.h"

#include <QDir>
#include <QTemporaryDir>
#include <memory>

using namespace PlotBench;

namespace {
const int Curves = 12;

// The canvas of a plain plot widget of the benchmark's size.
QSize referenceCanvas()
{
    PlotWidget plot(nullptr, false);
    plot.resize(PlotSize);
    plot.show();
    plot.resizeDone();
    QCoreApplication::processEvents();
    return plot.canvas()->size();
}

std::unique_ptr<MultiCurvePlotWindow> makeWindow()
{
    auto window = std::make_unique<MultiCurvePlotWindow>();
    PlotWidget *plot = window->plotWidget();
    fill(plot, Curves);
    window->setLegendsChecked();
    // Grow the window until its canvas has the reference size.
    const QSize wanted = referenceCanvas();
    window->resize(PlotSize);
    window->show();
    for (int round = 0; round < 5; ++round) {
        QCoreApplication::processEvents();
        plot->resizeDone();
        QCoreApplication::processEvents();
        const QSize have = plot->canvas()->size();
        if (have == wanted)
            break;
        window->resize(window->size() + (wanted - have));
    }
    return window;
}

void BM_MultiFullReplotFollowing(benchmark::State &state)
{
    auto window = makeWindow();
    fullReplot(state, window->plotWidget(), Curves, false);
}

void BM_MultiFullReplotWholeRange(benchmark::State &state)
{
    auto window = makeWindow();
    fullReplot(state, window->plotWidget(), Curves, true);
}

void BM_MultiRedrawTick(benchmark::State &state)
{
    auto window = makeWindow();
    MultiCurvePlotWindow *w = window.get();
    newPointPerCurve(state, w->plotWidget(), Curves, [w] { w->redraw(); });
}
} // namespace

BENCHMARK(BM_MultiFullReplotFollowing)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MultiFullReplotWholeRange)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MultiRedrawTick)->Unit(benchmark::kMicrosecond);

int main(int argc, char **argv)
{
    // The window reads and writes nothing, but stays out of the caller's folder.
    QTemporaryDir dir;
    QDir::setCurrent(dir.path());
    return runGuiBenchmarks(argc, argv);
}
