#pragma once
// The points of one time curve. x and y are kept in two vectors in time
// order; sample() hands Qwt the y value stretched by the curve's y factor,
// while boundingRect() and rawX()/rawY() give the values as recorded.
// Only the GUI thread touches an object of this class.
#include <qwt_series_data.h>

#include <QPointF>
#include <QRectF>
#include <QVector>

class CustomQwtCurveData : public QwtSeriesData<QPointF>
{
public:
    // Points per block of the min/max summary used to thin long curves.
    enum { BlockSize = 64 };

    CustomQwtCurveData();
    ~CustomQwtCurveData() override;

    size_t size() const override;
    QPointF sample(size_t i) const override;
    QRectF boundingRect() const override;

    void append(const QPointF &point);
    void append(double x, double y);
    // Room for that many points in all, so that a curve of known length is
    // never copied while it grows.
    void reserve(qint64 points);
    // Drops every point and starts over as a new curve would.
    void clear();

    double maxY() const { return m_maxY; }
    double minY() const { return m_minY; }
    double factorY() const { return m_factorY; }
    void setFactorY(double factor);

    qint64 lastDrawnIndex() const { return m_lastDrawnIndex; }
    void setLastDrawnIndex(qint64 index) { m_lastDrawnIndex = index; }
    qint64 pointCount() const { return m_x.size(); }

    const QVector<double> &xValues() const { return m_x; }
    const QVector<double> &yValues() const { return m_y; }
    double rawX(qint64 i) const { return (i >= 0 && i < m_x.size()) ? m_x[int(i)] : 0.0; }
    double rawY(qint64 i) const { return (i >= 0 && i < m_y.size()) ? m_y[int(i)] : 0.0; }

    // Set once a curve's series store owns this object.
    bool hasOwner() const { return m_hasOwner; }
    void setHasOwner() { m_hasOwner = true; }

    // Smallest and largest raw y among the points [from, to), to > from.
    void rawMinMax(qint64 from, qint64 to, double &lo, double &hi) const;

private:
    double m_left = 0.0;
    double m_top = 0.0;
    double m_width = 0.0;
    double m_height = 0.0;
    QVector<double> m_x;
    QVector<double> m_y;
    double m_factorY = 1.0;
    double m_maxY = 0.0;
    double m_minY = 0.0;
    qint64 m_lastDrawnIndex = 0;
    bool m_hasOwner = false;
    QVector<double> m_blockMin;
    QVector<double> m_blockMax;
};
