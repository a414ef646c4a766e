#include "customqwtcurve.h"
#include "kelvolog.h"
#include "latin1.h"

#include <qwt_clipper.h>
#include <qwt_scale_map.h>

#include <QPainter>
#include <QRegularExpression>
#include <algorithm>
#include <cmath>

namespace {
// A series store that does not own its data: the second curve on a
// shared data object must not release it again.
class SharedSeriesData : public QwtSeriesData<QPointF>
{
public:
    explicit SharedSeriesData(CustomQwtCurveData *data) : m_data(data) {}
    size_t size() const override { return m_data->size(); }
    QPointF sample(size_t i) const override { return m_data->sample(i); }
    QRectF boundingRect() const override { return m_data->boundingRect(); }

private:
    CustomQwtCurveData *m_data;
};

// Below this many points per pixel across, Qwt's own drawing is used.
constexpr int ThinningPointsPerPixel = 4;
} // namespace

CustomQwtCurve::CustomQwtCurve()
    : QwtPlotCurve()
{
    m_log = KelvoLog::get("customcurve");
    init();
}

CustomQwtCurve::CustomQwtCurve(CJobResultPair &pair)
    : QwtPlotCurve()
    , m_pair(pair)
{
    m_log = KelvoLog::get("customcurve");
    const QString title = titleFor(m_pair);
    setTitle(title);
    LOG4CPLUS_DEBUG_FMT(m_log, "customcrv: title %s", KELVO_QS(title));
    init();
}

CustomQwtCurve::~CustomQwtCurve() = default;

QString CustomQwtCurve::titleFor(const CJobResultPair &pair)
{
    if (!pair.resultDisplayName.empty())
        return Latin1::toQString(pair.resultDisplayName);
    const QString name = Latin1::toQString(pair.resultName);
    static const QRegularExpression pattern(QStringLiteral("STAT_(.*)_WERT"),
                                            QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch m = pattern.match(name);
    if (m.hasMatch())
        return m.captured(1);
    return name;
}

void CustomQwtCurve::init()
{
    setRenderHint(QwtPlotItem::RenderAntialiased, m_antialiased);
    setCurveAttribute(QwtPlotCurve::Fitted, false);
    setPaintAttribute(QwtPlotCurve::FilterPoints, true);
    setPaintAttribute(QwtPlotCurve::ClipPolygons, true);
    setPaintAttribute(QwtPlotCurve::MinimizeMemory, false);
    setStyle(QwtPlotCurve::Lines);
    m_data = new CustomQwtCurveData;
    m_data->setHasOwner();
    setData(m_data);
}

void CustomQwtCurve::setCurveData(CustomQwtCurveData *data)
{
    if (!data || data == m_data)
        return;
    m_data = data;
    if (data->hasOwner()) {
        // Another curve's series store releases it; this one only reads it.
        setData(new SharedSeriesData(data));
    } else {
        data->setHasOwner();
        setData(data);
    }
}

QPointF CustomQwtCurve::rawSample(qint64 i) const
{
    if (!m_data)
        return QPointF();
    return QPointF(m_data->rawX(i), m_data->rawY(i));
}

void CustomQwtCurve::appendPoint(qreal x, qreal y)
{
    LOG4CPLUS_DEBUG_FMT(m_log, "customcrv: appendPoint x:%f,y:%f", x, y);
    const double oldMax = m_data->maxY();
    const double oldMin = m_data->minY();
    m_data->append(x, y);
    if (y > oldMax)
        emit maxYChanged(m_pair, y);
    if (y < oldMin)
        emit minYChanged(m_pair, y);
}

void CustomQwtCurve::drawSeries(QPainter *painter, const QwtScaleMap &xMap, const QwtScaleMap &yMap,
                                const QRectF &canvasRect, int from, int to) const
{
    const qint64 n = m_data ? m_data->pointCount() : 0;
    if (to < 0)
        to = int(n - 1);
    if (!m_data || n == 0 || from > to || to >= n || style() != QwtPlotCurve::Lines
        || xMap.p1() > xMap.p2() || dataSize() != size_t(n)) {
        QwtPlotCurve::drawSeries(painter, xMap, yMap, canvasRect, from, to);
        return;
    }
    from = std::max(from, 0);

    // Only the points inside the visible time range, plus one on either
    // side so that the lines into and out of the canvas are drawn.
    const double *x = m_data->xValues().constData();
    // One pixel more on either side: the edge columns hold the points that
    // round into them.
    double s1 = xMap.invTransform(xMap.p1() - 1.0);
    double s2 = xMap.invTransform(xMap.p2() + 1.0);
    if (s1 > s2)
        std::swap(s1, s2);
    qint64 lo = std::lower_bound(x + from, x + to + 1, s1) - x;
    qint64 hi = std::upper_bound(x + lo, x + to + 1, s2) - x;
    if (lo > from)
        --lo;
    if (hi > to)
        hi = to;
    if (hi < lo)
        return;

    const double columns = std::max(1.0, canvasRect.width());
    if (double(hi - lo + 1) <= ThinningPointsPerPixel * columns) {
        QwtPlotCurve::drawSeries(painter, xMap, yMap, canvasRect, int(lo), int(hi));
        return;
    }
    drawThinned(painter, xMap, yMap, canvasRect, lo, hi);
}

void CustomQwtCurve::drawThinned(QPainter *painter, const QwtScaleMap &xMap, const QwtScaleMap &yMap,
                                 const QRectF &canvasRect, qint64 from, qint64 to) const
{
    const double *x = m_data->xValues().constData();
    const double *y = m_data->yValues().constData();
    const double factor = m_data->factorY();

    QPolygonF poly;
    poly.reserve(int(std::min<qint64>(to - from + 1, qint64(canvasRect.width() + 4) * 4 + 8)));
    auto put = [&](double px, double rawY) { poly.append(QPointF(px, yMap.transform(rawY * factor))); };

    // Every point of a pixel column collapses into its first, lowest,
    // highest and last point: the column's vertical extent survives, so
    // no peak is lost, whatever the number of points.
    qint64 i = from;
    while (i <= to) {
        // Pixel columns centred on whole pixels, as a painter rounds them.
        const double px = xMap.transform(x[i]);
        const double column = std::floor(px + 0.5);
        const double columnEnd = xMap.invTransform(column + 0.5);
        qint64 end = std::lower_bound(x + i + 1, x + to + 1, columnEnd) - x;
        if (end <= i)
            end = i + 1;
        if (end - i <= 2) {
            for (qint64 k = i; k < end; ++k)
                put(xMap.transform(x[k]), y[k]);
        } else {
            double lo, hi;
            m_data->rawMinMax(i, end, lo, hi);
            const double a = lo * factor, b = hi * factor;
            put(column, y[i]);
            poly.append(QPointF(column, yMap.transform(std::min(a, b))));
            poly.append(QPointF(column, yMap.transform(std::max(a, b))));
            put(column, y[end - 1]);
        }
        i = end;
    }

    if (testPaintAttribute(QwtPlotCurve::ClipPolygons)) {
        const qreal pw = std::max(qreal(1.0), pen().widthF());
        poly = QwtClipper::clipPolygonF(canvasRect.adjusted(-pw, -pw, pw, pw), poly, false);
    }
    painter->save();
    painter->setPen(pen());
    painter->setBrush(Qt::NoBrush);
    painter->drawPolyline(poly);
    painter->restore();
}
