// Drawing cost of a long-running time plot: 8 curves of 1,000,000 points
// each (about 14 hours at 50 ms), replotted whole, and one new point per
// curve painted incrementally.
#include "plotbenchdata.h"

#include <qwt_plot_curve.h>

#include <QDateTime>
#include <QImage>
#include <QPainter>
#include <memory>

using namespace PlotBench;

namespace {
const int Curves = 8;

std::unique_ptr<PlotWidget> makePlot()
{
    auto plot = std::make_unique<PlotWidget>(nullptr, false);
    plot->setPlotAllResults(true);
    plot->resize(PlotSize);
    plot->show();
    plot->resizeDone();
    QCoreApplication::processEvents();
    fill(plot.get(), Curves);
    return plot;
}

void BM_FullReplotFollowing(benchmark::State &state)
{
    auto plot = makePlot();
    fullReplot(state, plot.get(), Curves, false);
}

void BM_FullReplotWholeRange(benchmark::State &state)
{
    auto plot = makePlot();
    fullReplot(state, plot.get(), Curves, true);
}

void BM_IncrementalPointPerCurve(benchmark::State &state)
{
    auto plot = makePlot();
    PlotWidget *p = plot.get();
    newPointPerCurve(state, p, Curves, [p] { p->redrawAllCurves(); });
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
    plot.resize(PlotSize);
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
