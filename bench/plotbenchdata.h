#pragma once
// The long-running plot shared by the plot benchmarks: curves of 1,000,000
// points each (about 14 hours at 50 ms), their values, the filling, and
// the full replots and one-new-point redraws measured on them.
#include "guibenchmain.h"
#include "customqwtcurve.h"
#include "plotwidget.h"

#include <benchmark/benchmark.h>
#include <qwt_plot_canvas.h>

#include <QApplication>
#include <cmath>
#include <functional>
#include <string>
#include <vector>

namespace PlotBench {
const int Points = 1000000;
const qint64 Step = 50;
const qint64 T0 = 1500000000000LL;
// The widget size of the single-plot benchmark; others match its canvas.
const QSize PlotSize(1100, 500);

inline double valueAt(int curve, qint64 i)
{
    return 50.0 + 40.0 * std::sin(double(i) / (40.0 + curve)) + double((i * 7919 + curve) % 17) * 0.5;
}

inline CJobResultPair pair(int curve)
{
    CJobResultPair p;
    p.job = CJob("DME", "STATUS_MESSWERTE");
    p.resultName = "STAT_R" + std::to_string(curve) + "_WERT";
    return p;
}

// Every curve gets its points as a running plot would have received them.
inline void fill(PlotWidget *plot, int curves)
{
    plot->setStartTime(T0);
    for (int c = 0; c < curves; ++c) {
        const CJobResultPair p = pair(c);
        for (qint64 i = 0; i < Points; ++i)
            plot->data()->addPoint(p, T0 + i * Step, valueAt(c, i));
    }
    QCoreApplication::processEvents();
}

// Replot and paint of the whole canvas: the page of the newest point, or
// the whole recorded range.
inline void fullReplot(benchmark::State &state, PlotWidget *plot, int curves, bool wholeRange)
{
    plot->redrawAllCurves(); // the page of the newest point
    if (wholeRange)
        plot->setAxisScale(QwtPlot::xBottom, 0, double(Points * Step));
    plot->replot();
    plot->canvas()->repaint();
    for (auto _ : state) {
        plot->replot();
        plot->canvas()->repaint();
    }
    state.counters["points"] = double(curves) * Points;
    state.counters["canvas_px"] = plot->canvas()->width();
    // Time per drawn point: the figure that compares plots of any size.
    state.counters["per_point"] = benchmark::Counter(double(state.iterations()) * curves * Points,
                                                     benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

// One new point on every curve, then `tick` draws it.
inline void newPointPerCurve(benchmark::State &state, PlotWidget *plot, int curves,
                             const std::function<void()> &tick)
{
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
        for (int c = 0; c < curves; ++c)
            plot->data()->addPoint(pairs[size_t(c)], T0 + i * Step, valueAt(c, i));
        tick();
        ++i;
    }
    state.counters["curves"] = curves;
    state.counters["per_curve_us"] = benchmark::Counter(double(state.iterations()) * curves,
                                                        benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

} // namespace PlotBench
