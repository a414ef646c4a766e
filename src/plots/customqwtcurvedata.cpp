#include "customqwtcurvedata.h"

#include <algorithm>
#include <cmath>
#include <limits>

CustomQwtCurveData::CustomQwtCurveData()
{
    m_x.reserve(5000);
    m_y.reserve(5000);
}

CustomQwtCurveData::~CustomQwtCurveData() = default;

size_t CustomQwtCurveData::size() const
{
    return size_t(m_x.size());
}

QPointF CustomQwtCurveData::sample(size_t i) const
{
    const double x = i < size_t(m_x.size()) ? m_x[int(i)] : 0.0;
    const double y = i < size_t(m_y.size()) ? m_y[int(i)] * m_factorY : 0.0;
    return QPointF(x, y);
}

QRectF CustomQwtCurveData::boundingRect() const
{
    return QRectF(m_left, m_top, m_width, m_height);
}

void CustomQwtCurveData::setFactorY(double factor)
{
    // A factor that is not a positive finite number would collapse or
    // flip the curve; such a curve is drawn 1:1.
    m_factorY = (std::isfinite(factor) && factor > 0.0) ? factor : 1.0;
}

void CustomQwtCurveData::append(const QPointF &point)
{
    append(point.x(), point.y());
}

void CustomQwtCurveData::append(double x, double y)
{
    // Drawing and the tracker find points by binary search over x: a value
    // stamped before the last one is kept, at the last one's time.
    if (!m_x.isEmpty() && x < m_x.constLast())
        x = m_x.constLast();
    if (y > m_maxY)
        m_maxY = y;
    if (y < m_minY)
        m_minY = y;
    m_x.append(x);
    m_y.append(y);

    if (m_width < 0.0 || m_height < 0.0) {
        m_left = x;
        m_top = y;
        m_width = 0.0;
        m_height = 0.0;
    } else {
        m_width = x - m_left;
        if (y > m_top + m_height)
            m_height = y - m_top;
        if (y < m_top) {
            m_height += m_top - y;
            m_top = y;
        }
    }

    const int block = (m_y.size() - 1) / BlockSize;
    if (block == m_blockMin.size()) {
        m_blockMin.append(y);
        m_blockMax.append(y);
    } else {
        m_blockMin[block] = std::min(m_blockMin[block], y);
        m_blockMax[block] = std::max(m_blockMax[block], y);
    }
}

void CustomQwtCurveData::reserve(qint64 points)
{
    if (points <= m_x.capacity() || points > qint64(std::numeric_limits<int>::max() / 2))
        return;
    m_x.reserve(int(points));
    m_y.reserve(int(points));
    m_blockMin.reserve(int(points / BlockSize + 1));
    m_blockMax.reserve(int(points / BlockSize + 1));
}

void CustomQwtCurveData::clear()
{
    m_x.clear();
    m_y.clear();
    m_blockMin.clear();
    m_blockMax.clear();
    m_left = m_top = m_width = m_height = 0.0;
    m_maxY = m_minY = 0.0;
    m_lastDrawnIndex = 0;
}

void CustomQwtCurveData::rawMinMax(qint64 from, qint64 to, double &lo, double &hi) const
{
    const double *y = m_y.constData();
    lo = hi = y[from];
    qint64 i = from;
    // Head up to the next block boundary, whole blocks from the summary,
    // then the tail.
    const qint64 headEnd = std::min<qint64>(to, ((from + BlockSize - 1) / BlockSize) * BlockSize);
    for (; i < headEnd; ++i) {
        lo = std::min(lo, y[i]);
        hi = std::max(hi, y[i]);
    }
    for (; i + BlockSize <= to; i += BlockSize) {
        const int b = int(i / BlockSize);
        lo = std::min(lo, m_blockMin[b]);
        hi = std::max(hi, m_blockMax[b]);
    }
    for (; i < to; ++i) {
        lo = std::min(lo, y[i]);
        hi = std::max(hi, y[i]);
    }
}
