#pragma once
// One round dial: a 270-degree scale with ticks, numbers and the unit, a
// needle and the value as 7-segment digits. Everything but needle and value
// is drawn once into a background picture, redrawn only when the size
// changes or a redraw is forced, so a new value costs one blit and two
// strokes.
#include "gaugedef.h"

#include <qwt_scale_div.h>

#include <QFont>
#include <QPixmap>
#include <QRectF>
#include <QTimer>
#include <QWidget>

class SvgPixmapCache;

class BasicGauge : public QWidget
{
    Q_OBJECT
public:
    explicit BasicGauge(QWidget *parent = nullptr);
    ~BasicGauge() override;

    void setGaugeDef(const GaugeDef &def);
    GaugeDef gaugeDef() const { return m_def; }
    void setForceRedraw(bool force) { m_forceRedraw = force; }
    // Major, medium and minor ticks of the drawn range.
    void computeScale();

    QSize minimumSizeHint() const override { return QSize(30, 30); }

    // The last value after conversion, and its text. Until a value is set
    // the dial shows no needle and no figure (value() is then 0).
    double value() const { return m_value; }
    QString valueText() const { return m_valueText; }
    bool hasValue() const { return m_hasValue; }
    // What the readout shows before a value has come.
    static QString noValueText() { return QStringLiteral("--"); }
    // The range the scale shows: the definition's, or Min..Min+1 while Min
    // and Max are equal or not finite (0..1 when Min itself is not finite).
    double scaleMin() const { return m_scaleMin; }
    double scaleMax() const { return m_scaleMax; }
    // Degrees counter-clockwise from 3 o'clock; not clamped to the scale.
    double angleOf(double v) const;
    const QwtScaleDiv &scaleDiv() const { return m_scaleDiv; }
    QRectF dialRect() const { return m_dial; }
    // The font the value text is drawn with: its size fits the widest text
    // the scale's range gives, and any wider text seen since the last
    // layout, into the room below the scale's end labels.
    QFont valueFont() const { return m_valueFont; }
    // Where the value digits may go: between the ends of the arc, below the
    // end labels and the unit, above the dial's bottom edge.
    QRectF valueRoom() const { return m_valueRoom; }
    const QPixmap &background() const { return m_background; }
    int backgroundDraws() const { return m_backgroundDraws; }
    bool isResizing() const { return m_resizing; }

    // The value as the dial and the text line show it: fixed with
    // `decimals` digits, else general with 6 significant digits; a value
    // that is not a number reads "nan", "inf" or "-inf".
    static QString formatValue(double value, bool useDecimals, int decimals);

public slots:
    // Converts and formats; the caller schedules the repaint.
    void setValue(qreal input);
    // Lays out the dial for the current size and redraws the background
    // when the size changed or a redraw is forced.
    void resizeDone();

protected:
    void resizeEvent(QResizeEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    void drawBackground();
    // The room for the digits and the largest value font that fits the
    // widest text the range gives in it.
    void layoutValueText();
    // Makes the value font small enough for the current text, never larger:
    // a size that went up and down with each value would make the digits
    // jump.
    void fitValueText();
    double scaleLabelHalfWidth(const QString &label) const;
    double scaleLabelRadius() const;
    void drawTicks(QPainter &painter, QwtScaleDiv::TickType type, qreal penWidth, bool labels);
    QPointF pointAt(double angle, double radius) const;

    GaugeDef m_def;
    QTimer m_resizeTimer;
    int m_lastWidth = -1;
    int m_lastHeight = -1;
    double m_value = 0;
    bool m_hasValue = false;
    QString m_valueText;
    QFont m_scaleFont;
    QRectF m_dial;
    QFont m_valueFont;
    QRectF m_valueRoom;
    // Where the value text starts and how far its ink reaches below the
    // baseline, for the text they were measured for.
    QString m_measuredText;
    qreal m_valueTextLeft = 0;
    qreal m_valueTextBottom = 0;
    int m_margin = 4;
    QPixmap m_background;
    bool m_useDecimals = false;
    bool m_resizing = false;
    bool m_forceRedraw = false;
    QwtScaleDiv m_scaleDiv;
    SvgPixmapCache *m_face = nullptr;
    SvgPixmapCache *m_needle = nullptr;
    double m_scaleMin = 0;
    double m_scaleMax = 100;
    int m_backgroundDraws = 0;
};
