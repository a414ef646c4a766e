// Drawing cost of a long-running time plot: 8 curves of 1,000,000 points
// each (about 14 hours at 50 ms), replotted whole, and one new point per
// curve painted incrementally.
#include "customqwtcurve.h"
#include "guibenchmain.h"
#include "plotwidget.h"

#include <benchmark/benchmark.h>
#include <qwt_plot_canvas.h>
#include <qwt_plot_curve.h>

#include <QApplication>
#include <QDateTime>
#include <QImage>
#include <QPainter>
#include <cmath>
#include <memory>

namespace {
const int Curves = 8;
const int Points = 1000000;
const qint64 Step = 50;
const qint64 T0 = 1500000000000LL;

double valueAt(int curve, qint64 i)
{
    return 50.0 + 40.0 * std::sin(double(i) / (40.0 + curve)) + double((i * 7919 + curve) % 17) * 0.5;
}

std::unique_ptr<PlotWidget> makePlot()
{
    auto plot = std::make_unique<PlotWidget>(nullptr, false);
    plot->setPlotAllResults(true);
    plot->setStartTime(T0);
    plot->resize(1100, 500);
    plot->show();
    plot->resizeDone();
    QCoreApplication::processEvents();
    for (int c = 0; c < Curves; ++c) {
        CJobResultPair pair;
        pair.job = CJob("DME", "STATUS_MESSWERTE");
        pair.resultName = "STAT_R" + std::to_string(c) + "_WERT";
        for (qint64 i = 0; i < Points; ++i)
            plot->data()->addPoint(pair, T0 + i * Step, valueAt(c, i));
    }
    return plot;
}

void fullReplot(benchmark::State &state, bool wholeRange)
{
    auto plot = makePlot();
    plot->redrawAllCurves(); // the page of the newest point
    if (wholeRange)
        plot->setAxisScale(QwtPlot::xBottom, 0, double(Points * Step));
    plot->replot();
    plot->canvas()->repaint();
    for (auto _ : state) {
        plot->replot();
        plot->canvas()->repaint();
    }
    state.counters["points"] = double(Curves) * Points;
    state.counters["canvas_px"] = plot->canvas()->width();
}

void BM_FullReplotFollowing(benchmark::State &state)
{
    fullReplot(state, false);
}

void BM_FullReplotWholeRange(benchmark::State &state)
{
    fullReplot(state, true);
}

void BM_IncrementalPointPerCurve(benchmark::State &state)
{
    auto plot = makePlot();
    // A window wide enough that the new points never start a new page.
    plot->zoomed(QRectF(0, 0, 4.0 * Points * Step, 1));
    plot->redrawAllCurves();
    plot->replot();
    plot->canvas()->repaint();
    std::vector<CJobResultPair> pairs;
    for (CustomQwtCurve *curve : plot->curveMap())
        pairs.push_back(*curve->resultPair());
    qint64 i = Points;
    for (auto _ : state) {
        for (int c = 0; c < Curves; ++c)
            plot->data()->addPoint(pairs[size_t(c)], T0 + i * Step, valueAt(c, i));
        plot->redrawAllCurves();
        ++i;
    }
    // One iteration draws one new point on each of the 8 curves.
    state.counters["curves"] = Curves;
    state.counters["per_curve_us"] =
        benchmark::Counter(double(state.iterations()) * Curves, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

// The curves alone, drawn into an image of the canvas's size.
void BM_DrawCurvesOnlyWholeRange(benchmark::State &state)
{
    auto plot = makePlot();
    plot->setAxisScale(QwtPlot::xBottom, 0, double(Points * Step));
    plot->replot();
    const QRectF rect = plot->canvas()->contentsRect();
    QImage image(rect.size().toSize(), QImage::Format_ARGB32_Premultiplied);
    const QwtScaleMap xMap = plot->canvasMap(QwtPlot::xBottom);
    const QwtScaleMap yMap = plot->canvasMap(QwtPlot::yLeft);
    for (auto _ : state) {
        image.fill(Qt::white);
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing, true);
        for (CustomQwtCurve *curve : plot->curveMap())
            curve->drawSeries(&painter, xMap, yMap, rect, 0, -1);
    }
}

void BM_DrawCanvasWholeRange(benchmark::State &state)
{
    auto plot = makePlot();
    plot->setAxisScale(QwtPlot::xBottom, 0, double(Points * Step));
    plot->replot();
    QImage image(plot->canvas()->size(), QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        image.fill(Qt::white);
        QPainter painter(&image);
        plot->drawCanvas(&painter);
    }
}

// For comparison: Qwt's own drawing of the same points, whole range.
void BM_QwtPlainCurvesWholeRange(benchmark::State &state)
{
    QwtPlot plot;
    plot.resize(1100, 500);
    plot.show();
    QCoreApplication::processEvents();
    QVector<double> xs(Points);
    for (qint64 i = 0; i < Points; ++i)
        xs[int(i)] = double(i * Step);
    for (int c = 0; c < Curves; ++c) {
        QVector<double> ys(Points);
        for (qint64 i = 0; i < Points; ++i)
            ys[int(i)] = valueAt(c, i);
        auto *curve = new QwtPlotCurve;
        curve->setPen(QPen(Qt::red, 2));
        curve->setRenderHint(QwtPlotItem::RenderAntialiased, true);
        curve->setPaintAttribute(QwtPlotCurve::FilterPoints, true);
        curve->setPaintAttribute(QwtPlotCurve::ClipPolygons, true);
        curve->setSamples(xs, ys);
        curve->attach(&plot);
    }
    plot.setAxisScale(QwtPlot::xBottom, 0, double(Points * Step));
    for (auto _ : state) {
        plot.replot();
        plot.canvas()->repaint();
    }
}
} // namespace

BENCHMARK(BM_FullReplotFollowing)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FullReplotWholeRange)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DrawCurvesOnlyWholeRange)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DrawCanvasWholeRange)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_IncrementalPointPerCurve)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_QwtPlainCurvesWholeRange)->Unit(benchmark::kMillisecond)->Iterations(3);

int main(int argc, char **argv)
{
    return runGuiBenchmarks(argc, argv);
}
