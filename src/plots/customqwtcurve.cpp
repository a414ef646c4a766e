#include "customqwtcurve.h"
#include "kelvolog.h"
#include "latin1.h"

#include <qwt_clipper.h>
#include <qwt_scale_map.h>

#include <QPainter>
#include <QRegularExpression>
#include <algorithm>
#include <climits>
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

// First index in [lo, hi) whose x is not below v (hi when none), searched
// outward from a guess: neighbouring pixel columns hold similar numbers of
// points, so the search stays within a few cache lines of the guess instead
// of jumping across millions of points.
qint64 firstAtOrAbove(const double *x, qint64 lo, qint64 hi, double v, qint64 guess)
{
    guess = std::max(lo, std::min(hi, guess));
    qint64 a, b;
    if (guess >= hi || x[guess] >= v) {
        b = guess;
        a = guess - 1;
        qint64 step = 1;
        while (a >= lo && x[a] >= v) {
            b = a;
            step *= 2;
            a = b - step;
        }
        a = std::max(a, lo - 1);
    } else {
        a = guess;
        b = guess + 1;
        qint64 step = 1;
        while (b < hi && x[b] < v) {
            a = b;
            step *= 2;
            b = a + step;
        }
        b = std::min(b, hi);
    }
    return std::lower_bound(x + a + 1, x + b, v) - x;
}

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

bool CustomQwtCurve::followDisplayName(const std::string &displayName)
{
    if (displayName.empty() || displayName == m_pair.resultDisplayName)
        return false;
    m_pair.resultDisplayName = displayName;
    setTitle(titleFor(m_pair));
    return true;
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
    appendQuiet(x, y);
}

void CustomQwtCurve::appendQuiet(qreal x, qreal y)
{
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
    const qreal penWidth = std::max(qreal(1.0), pen().widthF());
    const int barWidth = std::max(1, int(std::lround(penWidth)));

    // Every point of a pixel column collapses into one vertical bar from
    // its lowest to its highest value, stretched to the last value of the
    // column before so that the line stays unbroken: the column's extent
    // survives, so no peak is lost, whatever the number of points. Bars are
    // filled rectangles; stroking thousands of overlapping line pieces
    // would cost the raster engine far more than the points themselves.
    struct Column
    {
        double column, top, bottom;
    };
    QVector<Column> columns;
    columns.reserve(int(canvasRect.width()) + 8);
    QVector<QLineF> joins;
    const QRectF clip = canvasRect.adjusted(-penWidth, -penWidth, penWidth, penWidth);
    auto join = [&](const QPointF &a, const QPointF &b) {
        const QPolygonF piece = QwtClipper::clipPolygonF(clip, QPolygonF(QVector<QPointF>{a, b}), false);
        if (piece.size() >= 2)
            joins.append(QLineF(piece.first(), piece.last()));
    };

    bool havePrevious = false;
    double previousColumn = 0.0;
    double previousY = 0.0; // pixel y of the previous column's last point
    qint64 perColumn = std::max<qint64>(1, qint64((to - from + 1) / std::max(1.0, canvasRect.width())));
    qint64 i = from;
    while (i <= to) {
        // Pixel columns centred on whole pixels, as a painter rounds them.
        const double px = xMap.transform(x[i]);
        const double column = std::floor(px + 0.5);
        const double columnEnd = xMap.invTransform(column + 0.5);
        qint64 end = firstAtOrAbove(x, i + 1, to + 1, columnEnd, i + perColumn);
        if (end <= i)
            end = i + 1;
        perColumn = std::max<qint64>(1, end - i);
        double lo, hi;
        m_data->rawMinMax(i, end, lo, hi);
        double top = yMap.transform(lo * factor);
        double bottom = yMap.transform(hi * factor);
        if (top > bottom)
            std::swap(top, bottom);
        const double firstY = yMap.transform(y[i] * factor);
        const double lastY = yMap.transform(y[end - 1] * factor);

        const bool inside = column >= clip.left() && column <= clip.right();
        const bool adjacent = havePrevious && column - previousColumn <= 1.0 && inside && !columns.isEmpty()
            && columns.last().column == previousColumn;
        if (havePrevious && !adjacent) {
            join(QPointF(previousColumn, previousY), QPointF(column, firstY));
        } else if (adjacent) {
            // The step between two columns is shared half and half, as a
            // line between them would be.
            const double mid = (previousY + firstY) / 2.0;
            top = std::min(top, mid);
            bottom = std::max(bottom, mid);
            columns.last().top = std::min(columns.last().top, mid);
            columns.last().bottom = std::max(columns.last().bottom, mid);
        }
        if (inside)
            columns.append({column, top, bottom});
        havePrevious = true;
        previousColumn = column;
        previousY = lastY;
        i = end;
    }

    QVector<QRect> bars;
    bars.reserve(columns.size());
    for (const Column &c : qAsConst(columns)) {
        const double top = std::max(c.top, clip.top());
        const double bottom = std::min(c.bottom, clip.bottom());
        if (top > bottom)
            continue;
        const int left = int(std::floor(c.column - penWidth / 2.0 + 0.5));
        const int upper = int(std::floor(top - penWidth / 2.0 + 0.5));
        const int lower = int(std::floor(bottom + penWidth / 2.0 + 0.5));
        bars.append(QRect(left, upper, barWidth, std::max(1, lower - upper)));
    }

    // Neighbouring bars overlap by all but one pixel column: fold them into
    // one interval per pixel column (they always share a value, so the
    // union is exact) and fill runs of equal intervals as one rectangle.
    // Each pixel row of the canvas is then filled once per curve, not once
    // per bar.
    QVector<QRect> runs;
    if (!bars.isEmpty()) {
        const int first = bars.first().left();
        const int last = bars.last().right();
        QVector<QPair<int, int>> spans(last - first + 1, qMakePair(INT_MAX, INT_MIN));
        for (const QRect &bar : qAsConst(bars)) {
            for (int p = bar.left(); p <= bar.right(); ++p) {
                QPair<int, int> &span = spans[p - first];
                span.first = std::min(span.first, bar.top());
                span.second = std::max(span.second, bar.bottom());
            }
        }
        runs.reserve(spans.size());
        int p = 0;
        while (p < spans.size()) {
            int q = p + 1;
            while (q < spans.size() && spans[q] == spans[p])
                ++q;
            if (spans[p].first <= spans[p].second)
                runs.append(QRect(QPoint(first + p, spans[p].first), QPoint(first + q - 1, spans[p].second)));
            p = q;
        }
    }
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing, false);
    painter->setPen(Qt::NoPen);
    painter->setBrush(pen().color());
    painter->drawRects(runs);
    painter->restore();
    if (!joins.isEmpty()) {
        painter->save();
        painter->setPen(pen());
        painter->setBrush(Qt::NoBrush);
        painter->drawLines(joins);
        painter->restore();
    }
}
