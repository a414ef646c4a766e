#include "plotwidget.h"
#include "curvetracker.h"
#include "customtimescaledraw.h"
#include "kelvolog.h"
#include "latin1.h"
#include "plottheme.h"
#include "readablecolour.h"

#include <qwt_legend.h>
#include <qwt_legend_label.h>
#include <qwt_plot_canvas.h>
#include <qwt_plot_layout.h>
#include <qwt_plot_magnifier.h>
#include <qwt_plot_panner.h>
#include <qwt_plot_textlabel.h>
#include <qwt_plot_zoomer.h>
#include <qwt_scale_widget.h>

#include <QDateTime>
#include <QKeyEvent>
#include <QMutexLocker>
#include <QPainter>
#include <QResizeEvent>
#include <QThread>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>

namespace {
// A time window narrower than this would leave no room to page or divide.
constexpr qint64 MinTimeWindow = 100;
} // namespace

PlotWidget::PlotWidget(QWidget *parent, bool ownThread)
    : QwtPlot(parent)
{
    setContentsMargins(0, 0, 0, 0);
    m_log = KelvoLog::get("plotwidget");

    m_data = new PlotWidgetData;
    connect(m_data, &PlotWidgetData::curveAdded, this, &PlotWidget::curveAdded);
    connect(this, &PlotWidget::jobResultUpdated, m_data, &PlotWidgetData::onJobResultUpdated);
    // Values come back to the GUI thread, where the curves live.
    connect(m_data, &PlotWidgetData::pointReady, this, &PlotWidget::onPointReady);

    if (ownThread) {
        m_thread = new QThread;
        m_thread->setObjectName(QStringLiteral("plotwidget"));
        m_data->moveToThread(m_thread);
        // Emitted in the worker's thread after its last event.
        std::atomic<bool> *done = &m_workerDone;
        connect(
            m_thread, &QThread::finished, m_thread, [done] { done->store(true, std::memory_order_release); },
            Qt::DirectConnection);
        m_thread->start(QThread::InheritPriority);
    }

    plotLayout()->setAlignCanvasToScales(true);
    for (int axis = 0; axis < QwtPlot::axisCnt; ++axis)
        axisWidget(axis)->setMargin(0);
    enableAxis(QwtPlot::yLeft);
    setAutoReplot(false);

    m_timeWindow = 30000;
    m_timeMax = 30000;
    m_data->setXValue(0);
    m_data->setCurvePeak(0);
    setCanvasBackground(QBrush(Qt::white, Qt::SolidPattern));

    // The curve titles on the canvas take the new theme's colours with it.
    PlotTheme::follow(this, [this] { updateTextLabel(); });

    m_tracker = new CurveTracker(canvas());
    m_followCurve = true;
    setAxisScaleDraw(QwtPlot::xBottom, new CustomTimeScaleDraw);
    m_data->setPlotAll(false);

    setAxisScaleAndNotify(QwtPlot::xBottom, 0, 30000);
    setAxisScaleAndNotify(QwtPlot::yLeft, 0, 10);
    emit scaleMaxChanged(QwtPlot::xBottom, double(m_timeMax));

    m_zoomer = new QwtPlotZoomer(canvas(), true);
    m_zoomer->setRubberBandPen(QPen(Qt::black));
    m_zoomer->setTrackerPen(QPen(Qt::black));
    m_zoomer->setMousePattern(QwtEventPattern::MouseSelect2, Qt::RightButton, Qt::ControlModifier);
    m_zoomer->setMousePattern(QwtEventPattern::MouseSelect3, Qt::RightButton);
    m_zoomer->setEnabled(false);
    connect(m_zoomer, &QwtPlotZoomer::zoomed, this, &PlotWidget::zoomed);

    m_panner = new QwtPlotPanner(canvas());
    m_panner->setMouseButton(Qt::LeftButton, Qt::ControlModifier);
    m_panner->setAxisEnabled(QwtPlot::xBottom, true);
    connect(m_panner, &QwtPlotPanner::panned, this, &PlotWidget::pan);
    m_magnifier = new QwtPlotMagnifier(canvas());
    m_magnifier->setMouseButton(Qt::RightButton, Qt::ShiftModifier);
    m_magnifier->setWheelModifiers(Qt::ShiftModifier);

    reset();
    show();
    replot();
    m_resizeTimer.setSingleShot(true);
    m_resizeTimer.setInterval(200);
    connect(&m_resizeTimer, &QTimer::timeout, this, &PlotWidget::resizeDone);
    m_resizing = false;
    m_fullReplot = false;
}

PlotWidget::~PlotWidget()
{
    // No value may arrive any more, neither from the worker nor to it.
    disconnect(m_data, nullptr, this, nullptr);
    disconnect(this, nullptr, m_data, nullptr);
    // The curves belong to the GUI thread (the worker never touches them):
    // they go first, before the plot deletes its other items.
    m_data->deleteCurves();
    if (m_thread) {
        // Once its thread has ended the worker can go from here: nothing
        // else runs it any more, and joining the thread orders everything
        // it did before this delete.
        m_thread->quit();
        m_thread->wait();
        // QThread::wait() synchronises through Qt's own locks; this makes
        // the ordering explicit (and visible to race checkers).
        m_workerDone.load(std::memory_order_acquire);
        LOG4CPLUS_DEBUG_FMT(m_log, "after wait, running:%d", int(m_thread->isRunning()));
        delete m_thread;
    }
    delete m_data;
    m_thread = nullptr;
    m_data = nullptr;
}

void PlotWidget::setPlotAllResults(bool on)
{
    m_data->setPlotAll(on);
}

void PlotWidget::setAxisScaleAndNotify(int axis, double min, double max)
{
    setAxisScale(axis, min, max);
    m_axesCurrent = false;
    emit scaleChanged(axis, min, max);
}

qint64 PlotWidget::timeStep(qint64 window, bool widening)
{
    if (window > 5000)
        return 5000;
    if (widening ? window >= 1000 : window > 1000)
        return 1000;
    return 100;
}

void PlotWidget::applyTimeWindow(qint64 window)
{
    {
        QMutexLocker lock(&m_mutex);
        m_timeWindow = std::max(MinTimeWindow, window);
        const qint64 c = qint64(m_data->xValue()) / m_timeWindow;
        m_timeMax = m_timeWindow * (c + 1);
        setAxisScale(QwtPlot::xBottom, double(m_timeWindow * c), double(m_timeMax));
        m_axesCurrent = false;
    }
    emit scaleChanged(QwtPlot::xBottom, double(m_timeMax - m_timeWindow), double(m_timeMax));
    replot();
    canvas()->repaint();
}

void PlotWidget::zoomOutTime()
{
    applyTimeWindow(m_timeWindow + timeStep(m_timeWindow, true));
}

void PlotWidget::zoomInTime()
{
    if (m_timeWindow <= MinTimeWindow)
        return;
    applyTimeWindow(m_timeWindow - timeStep(m_timeWindow, false));
}

void PlotWidget::yZoomStep()
{
    updateAxes();
    const QwtInterval range = axisInterval(QwtPlot::yLeft);
    const double lower = range.minValue();
    const double window = range.width();
    const double step = window > 5000 ? 5000 : (window > 1000 ? 1000 : 100);
    const double narrowed = window > step ? window - step : window / 2.0;
    if (!(narrowed > 0.0) || !std::isfinite(narrowed))
        return;
    setAxisScaleAndNotify(QwtPlot::yLeft, lower, lower + narrowed);
    replot();
}

bool PlotWidget::addCurve(CJobResultPair &pair)
{
    CustomQwtCurve *curve = m_data->addCurve(pair);
    curve->attach(this);
    curve->setStyle(QwtPlotCurve::Lines);
    updateTextLabel();
    updateLegend();
    return true;
}

void PlotWidget::curveAdded(const CustomQwtCurve *curve)
{
    LOG4CPLUS_DEBUG(m_log, "PW: CurveAdded");
    const_cast<CustomQwtCurve *>(curve)->attach(this);
    updateTextLabel();
}

void PlotWidget::showCurve(QwtPlotItem *item, bool on)
{
    if (!item)
        return;
    LOG4CPLUS_DEBUG_FMT(m_log, "div y:%f,%f", axisScaleDiv(QwtPlot::yLeft).lowerBound(),
                        axisScaleDiv(QwtPlot::yLeft).upperBound());
    item->setVisible(on);
    if (auto *lgd = qobject_cast<QwtLegend *>(legend())) {
        const QList<QWidget *> widgets = lgd->legendWidgets(itemToInfo(item));
        if (widgets.size() == 1) {
            if (auto *label = qobject_cast<QwtLegendLabel *>(widgets.first()))
                label->setChecked(on);
        }
    }
    updateTextLabel();
    LOG4CPLUS_DEBUG_FMT(m_log, "after replot div y:%f,%f", axisScaleDiv(QwtPlot::yLeft).lowerBound(),
                        axisScaleDiv(QwtPlot::yLeft).upperBound());
}

CustomQwtCurve *PlotWidget::curveAt(int index) const
{
    const auto &map = m_data->curveMap();
    if (map.isEmpty() || index < 0 || index >= map.size())
        return nullptr;
    return std::next(map.constBegin(), index).value();
}

QList<CJobResultPair> PlotWidget::resultPairs() const
{
    return m_data->acceptedPairs();
}

QMap<CurveKey, CustomQwtCurve *> &PlotWidget::curveMap()
{
    return m_data->curveMap();
}

void PlotWidget::onPointReady(CJobResultPair pair, qint64 timeStamp, double y)
{
    m_data->addPoint(pair, timeStamp, y);
}

void PlotWidget::replot()
{
    QwtPlot::replot(); // updates the axes first
    m_axisBounds = autoScaleBounds();
    m_axesCurrent = true;
    for (CustomQwtCurve *curve : qAsConst(m_data->curveMap()))
        curve->curveData()->setLastDrawnIndex(curve->curveData()->pointCount());
    // Whatever factors were pending are on the canvas now.
    m_data->takeFactorsChanged();
    rememberScales();
}

QVector<QwtInterval> PlotWidget::autoScaleBounds() const
{
    QVector<QwtInterval> bounds(QwtPlot::axisCnt);
    for (const QwtPlotItem *item : itemList()) {
        if (!item->testItemAttribute(QwtPlotItem::AutoScale) || !item->isVisible())
            continue;
        const QRectF rect = item->boundingRect();
        if (rect.width() >= 0.0)
            bounds[item->xAxis()] |= QwtInterval(rect.left(), rect.right());
        if (rect.height() >= 0.0)
            bounds[item->yAxis()] |= QwtInterval(rect.top(), rect.bottom());
    }
    // An axis with a set scale ignores the data; switching it to follow
    // the data again is a change too.
    for (int axis = 0; axis < QwtPlot::axisCnt; ++axis) {
        if (!axisAutoScale(axis))
            bounds[axis] = QwtInterval(1.0, 0.0);
    }
    return bounds;
}

void PlotWidget::refreshAxes()
{
    QVector<QwtInterval> bounds = autoScaleBounds();
    if (m_axesCurrent && bounds == m_axisBounds)
        return;
    updateAxes();
    m_axisBounds = std::move(bounds);
    m_axesCurrent = true;
}

void PlotWidget::rememberScales()
{
    m_lastXScale = axisScaleDiv(QwtPlot::xBottom);
    m_lastYScale = axisScaleDiv(QwtPlot::yLeft);
}

bool PlotWidget::scalesUnchanged() const
{
    return axisScaleDiv(QwtPlot::xBottom) == m_lastXScale && axisScaleDiv(QwtPlot::yLeft) == m_lastYScale;
}

bool PlotWidget::growTimeRange(bool log)
{
    const qint64 elapsed = std::max<qint64>(0, m_data->lastElapsed());
    const double x = double(elapsed);
    m_data->setXValue(elapsed == 0 ? 1.0 : x);
    if (!(double(m_timeMax) < x))
        return false;
    const qint64 c = elapsed / m_timeWindow;
    m_timeMax = m_timeWindow * (c + 1);
    const double lo = double(m_timeWindow * c);
    const double hi = double(m_timeMax);
    if (m_followCurve) {
        setAxisScaleAndNotify(QwtPlot::xBottom, lo, hi);
    } else {
        LOG4CPLUS_DEBUG(m_log, "PW: ONLY emit scalechanged");
        emit scaleChanged(QwtPlot::xBottom, lo, hi);
    }
    if (log)
        LOG4CPLUS_DEBUG(m_log, "replot, data->xval>wndmax");
    return true;
}

void PlotWidget::drawNewPoints(CustomQwtCurve *curve)
{
    CustomQwtCurveData *d = curve->curveData();
    const qint64 count = d->pointCount();
    const qint64 from = std::max<qint64>(0, d->lastDrawnIndex() - 1);
    const qint64 to = count - 1;
    if (to > from) {
        // Only the strip of canvas that the new segments cover is touched.
        const QwtScaleMap xMap = canvasMap(curve->xAxis());
        const QwtScaleMap yMap = canvasMap(curve->yAxis());
        const double factor = d->factorY();
        const QVector<double> &xs = d->xValues();
        const QVector<double> &ys = d->yValues();
        double x0 = xMap.transform(xs[int(from)]);
        double x1 = xMap.transform(xs[int(to)]);
        double y0 = yMap.transform(ys[int(from)] * factor);
        double y1 = y0;
        for (qint64 i = from + 1; i <= to; ++i) {
            const double y = yMap.transform(ys[int(i)] * factor);
            y0 = std::min(y0, y);
            y1 = std::max(y1, y);
        }
        const double margin = curve->pen().widthF() + 2.0;
        const QRectF strip(QPointF(std::min(x0, x1) - margin, y0 - margin),
                           QPointF(std::max(x0, x1) + margin, y1 + margin));
        const QRect clip = strip.toAlignedRect().intersected(canvas()->contentsRect());
        if (!clip.isEmpty()) {
            // The new segments go into the canvas's cached picture, which the
            // next paint shows: painting the canvas at once would paint every
            // other pending change of the window with it, once per point.
            auto *plotCanvas = qobject_cast<QwtPlotCanvas *>(canvas());
            const QPixmap *cache = plotCanvas ? plotCanvas->backingStore() : nullptr;
            if (cache && !cache->isNull()
                && cache->size() == canvas()->size() * cache->devicePixelRatio()) {
                QPainter painter(const_cast<QPixmap *>(cache));
                painter.setClipRect(clip);
                painter.setRenderHint(QPainter::Antialiasing, curve->testRenderHint(QwtPlotItem::RenderAntialiased));
                curve->drawSeries(&painter, xMap, yMap, canvas()->contentsRect(), int(from), int(to));
            }
            // Without a cached picture the paint draws the canvas whole.
            canvas()->update(clip);
        }
    }
    d->setLastDrawnIndex(count);
}

void PlotWidget::redrawAllCurves()
{
    LOG4CPLUS_DEBUG_FMT(m_log, "redrawAllCurves,xval:%f,lastElapsed:%lld", m_data->xValue(),
                        static_cast<long long>(m_data->lastElapsed()));
    redraw(true, [this] {
        for (CustomQwtCurve *curve : qAsConst(m_data->curveMap())) {
            if (curve->isVisible() && curve->plot() == this)
                drawNewPoints(curve);
        }
    });
}

void PlotWidget::redrawCurve(CustomQwtCurve *curve)
{
    if (m_resizing || !curve)
        return;
    redraw(false, [this, curve] {
        if (curve->plot() == this)
            drawNewPoints(curve);
    });
}

void PlotWidget::redraw(bool logGrowth, const std::function<void()> &drawIncrement)
{
    if (growTimeRange(logGrowth)) {
        replot();
        canvas()->repaint();
        return;
    }
    // The y axis follows the data: recompute it before deciding.
    refreshAxes();
    if (scalesUnchanged() && !m_data->takeFactorsChanged()) {
        if (m_fullReplot)
            replot();
        else
            drawIncrement();
    } else {
        LOG4CPLUS_DEBUG(m_log, "scale is CHANGED, replot");
        replot();
        canvas()->repaint();
    }
    rememberScales();
}

void PlotWidget::reset()
{
    m_data->deleteCurves();
    m_data->resetPeak();
    m_timeWindow = 30000;
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    m_data->setStartTime(now);
    m_data->setXValue(0);
    LOG4CPLUS_DEBUG_FMT(m_log, "plotwidget starttime:%lld", static_cast<long long>(now));
    m_timeMax = m_timeWindow * (0 / m_timeWindow + 1);
    setAxisScaleAndNotify(QwtPlot::xBottom, 0, double(m_timeWindow));
    setAxisAutoScale(QwtPlot::yLeft);
    updateTextLabel();
}

void PlotWidget::removeTextLabels()
{
    for (QwtPlotItem *item : itemList(QwtPlotItem::Rtti_PlotTextLabel)) {
        // The tracker's read-out box is its own.
        if (item->title().text() != QLatin1String("curvetitles"))
            continue;
        item->detach();
        delete item;
    }
}

void PlotWidget::updateTextLabel()
{
    removeTextLabels();
    const auto &map = m_data->curveMap();
    // On the canvas as the theme paints it: a single title in the theme's
    // text colour, several each in a shade of its curve's colour that reads.
    const QPalette palette = canvas()->palette();
    const QColor background = palette.color(canvas()->backgroundRole());
    QString html = QStringLiteral("<div style=\"font-size: small; font-family: Arial\">");
    for (CustomQwtCurve *curve : map) {
        if (!curve->isVisible())
            continue;
        const QColor wanted = map.size() == 1 ? palette.color(QPalette::WindowText) : curve->pen().color();
        const QString colour = ReadableColour::on(wanted, background).name();
        html += QStringLiteral("<font color='") + colour + QStringLiteral("'>") + curve->title().text()
            + QStringLiteral("<br>");
        LOG4CPLUS_TRACE_FMT(m_log, "plotwidget jobresult:%s", KELVO_QS(curve->title().text()));
    }
    QwtText text(html, QwtText::RichText);
    text.setRenderFlags(Qt::AlignRight | Qt::AlignTop);
    QFont font;
    font.setWeight(75);
    font.setPointSize(12);
    text.setFont(font);
    auto *label = new QwtPlotTextLabel;
    label->setTitle(QStringLiteral("curvetitles"));
    label->setText(text);
    label->attach(this);
    LOG4CPLUS_TRACE_FMT(m_log, "result name:%s", KELVO_QS(html));
    // New points are painted one by one onto what the last replot left:
    // without a replot here the label would show only at the next one, up
    // to a whole time window later.
    replot();
}

void PlotWidget::pan(int dx, int dy)
{
    LOG4CPLUS_DEBUG_FMT(m_log, "pan: x%d dy:%d", dx, dy);
}

void PlotWidget::zoomed(const QRectF &rect)
{
    LOG4CPLUS_DEBUG_FMT(m_log, "zoomed %f,%f,%f,%f", rect.left(), rect.top(), rect.width(), rect.height());
    const double width = std::isfinite(rect.width()) ? rect.width() : 0.0;
    m_timeWindow = std::max<qint64>(MinTimeWindow, qint64(std::min(width, 9.0e15)));
    m_timeMax = m_timeWindow * (qint64(m_data->xValue()) / m_timeWindow + 1);
    setAxisScaleAndNotify(QwtPlot::xBottom, rect.left(), rect.left() + rect.width());
    m_axesCurrent = false;
}

void PlotWidget::onJobResultUpdated(const CJobResult &res, const CJob job, int result)
{
    emit jobResultUpdated(res, job, result);
}

void PlotWidget::onSliderValueChanged(int value)
{
    const qint64 v = value;
    setAxisScale(QwtPlot::xBottom, double(m_timeWindow * (v - 1)), double(m_timeWindow * v));
    m_axesCurrent = false;
    if (m_timeWindow * v < m_timeMax) {
        m_followCurve = false;
        LOG4CPLUS_DEBUG(m_log, "followcurve=false");
    } else {
        m_followCurve = true;
        LOG4CPLUS_DEBUG(m_log, "followcurve=true");
    }
    replot();
    canvas()->repaint();
}

void PlotWidget::onSettingsChanged(QList<CJobResultPair> jobs)
{
    m_data->setAcceptedPairs(jobs);
    updateTextLabel();
}

void PlotWidget::setStartTime(qint64 value)
{
    LOG4CPLUS_DEBUG_FMT(m_log, "setStartTime:%lld", static_cast<long long>(value));
    m_data->setStartTime(value);
}

void PlotWidget::onMinYChanged(CJobResultPair pair, qreal y)
{
    LOG4CPLUS_DEBUG_FMT(m_log, "min Y changed:%s,%s,%f,curves count:%d,curvePeak:%f", KELVO_QS(pair.getJobName()),
                        pair.resultName.c_str(), y, m_data->curveMap().size(), m_data->curvePeak());
}

void PlotWidget::keyPressEvent(QKeyEvent *event)
{
    LOG4CPLUS_DEBUG(m_log, "PlotWindow:keypress");
    if (event->key() == Qt::Key_Plus)
        zoomOutTime();
    else if (event->key() == Qt::Key_Minus)
        zoomInTime();
    else
        QwtPlot::keyPressEvent(event);
}

void PlotWidget::wheelEvent(QWheelEvent *event)
{
    if (event->modifiers() & Qt::ShiftModifier) {
        QwtPlot::wheelEvent(event);
        return;
    }
    const int delta = event->angleDelta().y();
    if (delta > 0)
        zoomOutTime();
    else if (delta < 0)
        zoomInTime();
    event->accept();
}

void PlotWidget::resizeEvent(QResizeEvent *event)
{
    // Relayout waits until the user stops resizing.
    QFrame::resizeEvent(event);
    m_resizeTimer.start();
    m_resizing = true;
    m_lastSize = event->size();
    LOG4CPLUS_TRACE_FMT(m_log, "resize %dx%d", m_lastSize.width(), m_lastSize.height());
    event->ignore();
}

void PlotWidget::resizeDone()
{
    LOG4CPLUS_DEBUG(m_log, "resizeDone");
    m_resizing = false;
    updateLayout();
}
