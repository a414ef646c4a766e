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

// Every digit drawn as an 8, the widest of the seven-segment digits.
QString withEights(QString text)
{
    for (QChar &c : text)
        if (c.isDigit())
            c = QLatin1Char('8');
    return text;
}

// The largest point size, at most `largest`, at which `width` (measured at
// `measuredAt` points) fits into `room`: widths grow with the point size.
int fittingPointSize(qreal width, int measuredAt, qreal room, int largest)
{
    if (room <= 0)
        return 1;
    if (width <= room)
        return largest;
    return qBound(1, int(measuredAt * room / width), largest);
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
    // No reading yet: a 0 here would look like one.
    m_valueText = noValueText();
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
    m_hasValue = true;
    m_valueText = formatValue(m_value, m_useDecimals, m_def.decimals);
    fitValueText();
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
    m_scaleFont.setPointSize(atLeastOne(m_dial.height() / 15));
    layoutValueText();
    if (m_background.size() == size() && !m_background.isNull() && !m_forceRedraw)
        return;
    m_forceRedraw = false;
    drawBackground();
}

double BasicGauge::scaleLabelHalfWidth(const QString &label) const
{
    // Labels sit left of their point by two thirds of their width.
    return int(QFontMetrics(m_scaleFont).horizontalAdvance(label) / 1.5);
}

double BasicGauge::scaleLabelRadius() const
{
    return (m_dial.width() - m_margin / 2) / 2 - QFontMetrics(m_scaleFont).height() - 15;
}

void BasicGauge::layoutValueText()
{
    m_measuredText.clear();
    const QFontMetricsF scale(m_scaleFont);
    const QPointF c = m_dial.center();
    const double diagonal = std::cos(qDegreesToRadians(45.0));
    const double arcWidth = width() / 40 + 1;
    const double tickWidth = arcWidth / 2;
    // The ticks at the ends of the scale reach in to five sixths of their
    // outer radius; the arc's round caps stick out below its ends.
    const double tickInner = ((m_dial.width() - m_margin / 2) / 2 - tickWidth) * 5 / 6;
    const double arcBottom = c.y() + m_dial.height() / 2 * diagonal + arcWidth / 2;

    // Two places for the digits: between the end ticks, below the labels
    // and the unit; or under the whole dial, below the ends of the arc.
    const double reach = tickInner * diagonal - tickWidth - 1;
    double top = c.y() * 1.4 + scale.descent();
    const double labelRadius = scaleLabelRadius();
    const QList<double> ticks = m_scaleDiv.ticks(QwtScaleDiv::MajorTick);
    for (double t : ticks) {
        const QString label = QString::number(t, 'g', 6);
        const QPointF at = pointAt(angleOf(t), labelRadius);
        const double left = at.x() - scaleLabelHalfWidth(label);
        const double right = left + scale.horizontalAdvance(label);
        if (right > c.x() - reach && left < c.x() + reach)
            top = qMax(top, at.y() + scale.descent());
    }
    const double bottom = m_dial.bottom();
    const QRectF between(QPointF(c.x() - reach, qMin(top, bottom)), QPointF(c.x() + reach, bottom));
    const QRectF below(QPointF(m_dial.left(), qMin(arcBottom + 1, bottom)), QPointF(m_dial.right(), bottom));

    // The widest text of the range: its ends, and for the general format a
    // value with all six digits at the magnitude of the larger end.
    QStringList widest = {formatValue(m_scaleMin, m_useDecimals, m_def.decimals),
                          formatValue(m_scaleMax, m_useDecimals, m_def.decimals)};
    const double magnitude = qMax(std::abs(m_scaleMin), std::abs(m_scaleMax));
    if (!m_useDecimals && magnitude > 0) {
        const double sixDigits = 8.88888 * std::pow(10.0, std::floor(std::log10(magnitude)));
        widest << formatValue(m_scaleMin < 0 ? -sixDigits : sixDigits, false, -1);
    }
    const int largest = atLeastOne(m_dial.height() / 6);
    m_valueFont.setPointSize(largest);
    const QFontMetricsF metrics(m_valueFont);
    qreal width = 0;
    QRectF ink;
    for (const QString &text : qAsConst(widest)) {
        const QString eights = withEights(text);
        width = qMax(width, metrics.horizontalAdvance(eights));
        ink = ink.united(metrics.tightBoundingRect(eights));
    }
    // The place that shows the digits larger.
    int points = 0;
    for (const QRectF &room : {between, below}) {
        const int fits = qMin(fittingPointSize(width, largest, room.width(), largest),
                              fittingPointSize(ink.height(), largest, room.height(), largest));
        if (fits > points) {
            points = fits;
            m_valueRoom = room;
        }
    }
    m_valueFont.setPointSize(points);
    m_valueTextBottom = ink.bottom() * points / largest;
    fitValueText();
}

void BasicGauge::fitValueText()
{
    if (m_valueText == m_measuredText)
        return;
    // The ink, not the advance: glyphs from a fallback font ("e", "+") stick
    // out of their advance.
    const int points = m_valueFont.pointSize();
    QRectF ink = QFontMetricsF(m_valueFont).tightBoundingRect(m_valueText);
    // A pixel each side for the antialiased edges.
    const qreal room = m_valueRoom.width() - 2;
    if (ink.width() > room) {
        const int fitted = fittingPointSize(ink.width(), points, room, points);
        m_valueFont.setPointSize(fitted);
        m_valueTextBottom = m_valueTextBottom * fitted / points;
        ink = QFontMetricsF(m_valueFont).tightBoundingRect(m_valueText);
    }
    m_valueTextLeft = m_valueRoom.center().x() - ink.center().x();
    m_measuredText = m_valueText;
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
    const double labelRadius = scaleLabelRadius();
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
        painter.drawText(pointAt(a, labelRadius) - QPointF(scaleLabelHalfWidth(label), 0), label);
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
    // A value that is not a number has no place on the scale, nor has a
    // value not yet come: no needle.
    const double angle = angleOf(m_value);
    if (m_hasValue && std::isfinite(angle)) {
        pen.setColor(shown(m_def.needleColor, fallbacks().needleColor));
        painter.setPen(pen);
        const double length = (m_dial.width() - m_margin / 2) / 2;
        painter.drawLine(QLineF(m_dial.center(), pointAt(angle, length)));
    }
    pen.setColor(shown(m_def.textColor, fallbacks().textColor));
    painter.setPen(pen);
    painter.setFont(m_valueFont);
    // Centred in its room, the digits standing on the room's floor.
    painter.drawText(QPointF(m_valueTextLeft, m_valueRoom.bottom() - m_valueTextBottom), m_valueText);
}
