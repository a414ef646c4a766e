// What one gauge update costs on screen: a new value and a synchronous
// repaint of a 200 x 200 dial, the same for a text line, and a 12-gauge
// screen whose worker stores a 12-result job before each animation frame
// and repaint. 12 gauges fed 50 times a second leave 1.6 ms per gauge.
#include "basicgauge.h"
#include "gaugecontainer.h"
#include "gaugecontainerdata.h"
#include "gaugewidget.h"
#include "guibenchmain.h"
#include "latin1.h"
#include "textvaluewidget.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QDateTime>
#include <string>
#include <vector>

namespace {
GaugeDef makeDef(int i)
{
    GaugeDef def;
    def.name = QString("G%1").arg(i);
    def.jobName = "MW_SELECT_LESEN_NORM";
    def.resultName = QString("STAT_R%1_WERT").arg(i);
    def.min = 0;
    def.max = 1000;
    def.title = QString("Gauge %1").arg(i);
    def.unit = "bar";
    def.decimals = 1;
    def.needleColor = QColor("#157DEC");
    def.color = QColor("#ff7f00");
    def.textColor = Qt::white;
    def.titleColor = Qt::white;
    return def;
}

double valueAt(int64_t n, int i)
{
    return double((n * 37 + i * 101) % 1000);
}

void settle(QWidget *w)
{
    w->show();
    const qint64 until = QDateTime::currentMSecsSinceEpoch() + 300;
    while (QDateTime::currentMSecsSinceEpoch() < until)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
}

// One value into a widget of the given size and a synchronous repaint, per
// iteration; update(value) does what the screen's frame does to it.
template <typename Widget, typename Update>
void updateAndPaint(benchmark::State &state, const QSize &size, Update update)
{
    Widget widget;
    widget.setGaugeDef(makeDef(0));
    widget.resize(size);
    settle(&widget);
    int64_t n = 0;
    for (auto _ : state) {
        update(widget, valueAt(n++, 0));
        widget.repaint();
    }
    state.SetLabel(QString("%1x%2").arg(widget.width()).arg(widget.height()).toStdString());
}

void BM_DialUpdatePaint(benchmark::State &state)
{
    updateAndPaint<BasicGauge>(state, QSize(200, 200), [](BasicGauge &gauge, double v) { gauge.setValue(v); });
}

void BM_TextLineUpdatePaint(benchmark::State &state)
{
    updateAndPaint<TextValueWidget>(state, QSize(400, 60), [](TextValueWidget &line, double v) {
        line.setValue(v);
        line.refresh();
    });
}

void BM_ScreenOf12JobFramePaint(benchmark::State &state)
{
    const int gauges = 12;
    GaugeContainer screen;
    screen.setColumns(4);
    for (int i = 0; i < gauges; ++i) {
        const GaugeDef def = makeDef(i);
        CJobResultPair pair;
        pair.job.jobName = Latin1::toStd(def.jobName);
        pair.resultName = Latin1::toStd(def.resultName);
        screen.addGauge(pair, def, false);
    }
    screen.setStyleSheet("background-color:black");
    screen.resize(960, 760);
    settle(&screen);

    CJob job("MSV70", "MW_SELECT_LESEN_NORM");
    for (int i = 0; i < gauges; ++i) {
        CJobResult r;
        r.name = "STAT_R" + std::to_string(i) + "_WERT";
        r.format = 8;
        job.addResult(r);
    }
    int64_t n = 0;
    for (auto _ : state) {
        for (int i = 0; i < gauges; ++i)
            job.results[i].realValue = valueAt(n, i);
        ++n;
        // The worker's slot as its thread runs it, then one frame.
        screen.data()->onJobFinished(job, 0);
        screen.animate();
        screen.repaint();
    }
    state.counters["per_gauge"] = benchmark::Counter(double(state.iterations()) * gauges,
                                                     benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    state.SetLabel(QString("dial %1x%2").arg(screen.gauges().first()->gauge()->width())
                       .arg(screen.gauges().first()->gauge()->height()).toStdString());
}
} // namespace

BENCHMARK(BM_DialUpdatePaint)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_TextLineUpdatePaint)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ScreenOf12JobFramePaint)->Unit(benchmark::kMicrosecond);

int main(int argc, char **argv)
{
    return runGuiBenchmarks(argc, argv);
}
