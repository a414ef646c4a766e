#include "basicgauge.h"

#include "gaugelist.h"
#include "kelvofonts.h"
#include "svgpixmapcache.h"

#include <qwt_scale_engine.h>

#include <QLineF>
#include <QtMath>
#include <QPainter>
#include <QResizeEvent>

#include <cmath>

namespace {
// What a definition that leaves a colour unset is drawn with: the colours
// of a gauge made for a result without a definition.
const GaugeDef &fallbacks()
{
    static const GaugeDef def = GaugeListBuilder::plotWindowDefaults();
    return def;
}

QColor shown(const QColor &colour, const QColor &fallback)
{
    return colour.isValid() ? colour : fallback;
}

int atLeastOne(double size)
{
    return size < 1 ? 1 : int(size);
}
} // namespace

BasicGauge::BasicGauge(QWidget *parent)
    : QWidget(parent)
    , m_scaleFont(QStringLiteral("Arial Narrow"))
    , m_valueFont(QStringLiteral("digital counter 7"))
{
    KelvoFonts::install();
    m_def.min = 0;
    m_def.max = 100;
    m_valueText = formatValue(m_value, false, -1);
    m_face = new SvgPixmapCache(this);
    m_needle = new SvgPixmapCache(this);
    m_resizeTimer.setSingleShot(true);
    m_resizeTimer.setInterval(50);
    connect(&m_resizeTimer, &QTimer::timeout, this, &BasicGauge::resizeDone);
    setSizePolicy(QSizePolicy::MinimumExpanding, QSizePolicy::MinimumExpanding);
    setStyleSheet(QStringLiteral("background-color:black"));
    setContentsMargins(0, 0, 0, 0);
    computeScale();
}

BasicGauge::~BasicGauge() = default;

void BasicGauge::setGaugeDef(const GaugeDef &def)
{
    m_def = def;
    m_useDecimals = def.decimals != -1;
    computeScale();
}

void BasicGauge::computeScale()
{
    // The angle divides by Max - Min: a range of no width, or one that is
    // not a number, is drawn as one unit from Min instead.
    double lo = m_def.min;
    double hi = m_def.max;
    if (!std::isfinite(lo) || !std::isfinite(hi) || !std::isfinite(hi - lo) || hi == lo) {
        lo = std::isfinite(lo) ? lo : 0.0;
        hi = lo + 1;
        if (hi == lo) {
            lo = 0;
            hi = 1;
        }
    }
    m_scaleMin = lo;
    m_scaleMax = hi;
    QwtLinearScaleEngine engine(10);
    m_scaleDiv = engine.divideScale(lo, hi, 8, 8);
}

double BasicGauge::angleOf(double v) const
{
    return 225.0 - 270.0 * (v - m_scaleMin) / (m_scaleMax - m_scaleMin);
}

QString BasicGauge::formatValue(double value, bool useDecimals, int decimals)
{
    if (useDecimals)
        return QString::number(value, 'f', qBound(0, decimals, 30));
    return QString::number(value, 'g', 6);
}

void BasicGauge::setValue(qreal input)
{
    m_value = m_def.conversionFactor * input;
    m_valueText = formatValue(m_value, m_useDecimals, m_def.decimals);
}

void BasicGauge::resizeEvent(QResizeEvent *event)
{
    m_resizeTimer.start();
    m_resizing = true;
    m_lastWidth = event->size().width();
    m_lastHeight = event->size().height();
    const int side = qMin(m_lastWidth, m_lastHeight);
    resize(side, side);
    event->ignore();
}

void BasicGauge::resizeDone()
{
    m_resizing = false;
    m_margin = 4;
    const QRect r = rect();
    m_dial = QRectF(r.left() + m_margin, r.top() + m_margin, r.width() - 2.0 * m_margin,
                    r.height() - 2.0 * m_margin);
    m_valueFont.setPointSize(atLeastOne(m_dial.height() / 6));
    if (m_background.size() == size() && !m_background.isNull() && !m_forceRedraw)
        return;
    m_forceRedraw = false;
    drawBackground();
}

QPointF BasicGauge::pointAt(double angle, double radius) const
{
    const double a = qDegreesToRadians(angle);
    const QPointF c = m_dial.center();
    return QPointF(c.x() + radius * std::cos(a), c.y() - radius * std::sin(a));
}

void BasicGauge::drawBackground()
{
    ++m_backgroundDraws;
    if (size().isEmpty()) {
        m_background = QPixmap();
        return;
    }
    m_background = QPixmap(size());
    m_background.fill(Qt::black);
    QPainter painter(&m_background);
    painter.setRenderHint(QPainter::Antialiasing, true);

    const qreal arcWidth = width() / 40 + 1;
    // The definition's fill colour shows on the face inside the arc.
    if (m_def.fillColor.isValid()) {
        painter.setPen(Qt::NoPen);
        painter.setBrush(m_def.fillColor);
        painter.drawEllipse(m_dial);
    }
    QPen arcPen(shown(m_def.color, fallbacks().color), arcWidth, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    painter.setPen(arcPen);
    painter.setBrush(Qt::NoBrush);
    painter.drawArc(m_dial, -45 * 16, 270 * 16);

    m_scaleFont.setPointSize(atLeastOne(m_dial.height() / 15));
    painter.setFont(m_scaleFont);
    qreal tickWidth = arcWidth / 2;
    drawTicks(painter, QwtScaleDiv::MajorTick, tickWidth, true);
    tickWidth /= 2;
    drawTicks(painter, QwtScaleDiv::MediumTick, tickWidth, false);
    tickWidth /= 2;
    drawTicks(painter, QwtScaleDiv::MinorTick, tickWidth, false);

    painter.setPen(shown(m_def.textColor, fallbacks().textColor));
    const int halfWidth = painter.fontMetrics().boundingRect(m_def.unit).width() / 2;
    const QPointF c = m_dial.center();
    painter.drawText(QPointF(c.x() - halfWidth, c.y() * 1.4), m_def.unit);
}

void BasicGauge::drawTicks(QPainter &painter, QwtScaleDiv::TickType type, qreal penWidth, bool labels)
{
    QPen pen(Qt::white, penWidth, Qt::SolidLine, Qt::SquareCap);
    const double outer = (m_dial.width() - m_margin / 2) / 2 - penWidth;
    const QFontMetrics metrics = painter.fontMetrics();
    const double labelRadius = (m_dial.width() - m_margin / 2) / 2 - metrics.height() - 15;
    const QList<double> ticks = m_scaleDiv.ticks(type);
    for (double t : ticks) {
        const double a = angleOf(t);
        QLineF tick(pointAt(a, outer), m_dial.center());
        tick.setLength(tick.length() / 6);
        painter.setPen(pen);
        painter.drawLine(tick);
        if (!labels)
            continue;
        const QString label = QString::number(t, 'g', 6);
        const int halfWidth = int(metrics.horizontalAdvance(label) / 1.5);
        painter.drawText(pointAt(a, labelRadius) - QPointF(halfWidth, 0), label);
    }
}

void BasicGauge::paintEvent(QPaintEvent *)
{
    if (m_resizing || m_background.isNull())
        return;
    QPainter painter(this);
    painter.drawPixmap(rect(), m_background);
    painter.setRenderHint(QPainter::Antialiasing, true);
    QPen pen;
    pen.setWidthF(width() / 80 + 1);
    // A value that is not a number has no place on the scale: no needle.
    const double angle = angleOf(m_value);
    if (std::isfinite(angle)) {
        pen.setColor(shown(m_def.needleColor, fallbacks().needleColor));
        painter.setPen(pen);
        const double length = (m_dial.width() - m_margin / 2) / 2;
        painter.drawLine(QLineF(m_dial.center(), pointAt(angle, length)));
    }
    pen.setColor(shown(m_def.textColor, fallbacks().textColor));
    painter.setPen(pen);
    painter.setFont(m_valueFont);
    const QPointF c = m_dial.center();
    painter.drawText(QPointF(0.6 * c.x(), 2 * c.y()), m_valueText);
}
