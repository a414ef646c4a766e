#include "mylabel.h"

#include <QPainter>
#include <QResizeEvent>

MyLabel::MyLabel(QWidget *parent)
    : QLabel(parent)
{
    setColor(m_color);
    setText(QStringLiteral("1232341234TEXT"));
    setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    QFont f = font();
    f.setStyleStrategy(QFont::PreferAntialias);
    f.setFamily(QStringLiteral("Arial Narrow"));
    setFont(f);
}

void MyLabel::setColor(const QColor &color)
{
    m_color = color;
    setStyleSheet(QStringLiteral("color:%1").arg(color.name()));
}

void MyLabel::setUnderline(bool underline)
{
    m_underline = underline;
    update();
}

int MyLabel::fittedPointSize(int height) const
{
    int size = height / 3;
    if (size < m_minPointSize)
        size = m_minPointSize;
    if (size > m_maxPointSize)
        size = m_maxPointSize;
    // A label squeezed to nothing with a minimum of 0 still needs a font.
    return size < 1 ? 1 : size;
}

QSize MyLabel::sizeHint() const
{
    QSize hint = QLabel::sizeHint();
    // A label's minimum height is that of its text on one line.
    if (wordWrap())
        hint.setHeight(qMin(hint.height(), QLabel::minimumSizeHint().height()));
    return hint;
}

void MyLabel::setFitWidth(bool fit)
{
    m_fitWidth = fit;
    fitWidth(width());
}

void MyLabel::showText(const QString &text)
{
    setText(text);
    fitWidth(width());
}

void MyLabel::applyFont(int pointSize)
{
    if (font().pointSize() == pointSize)
        return;
    QFont f = font();
    f.setPointSize(pointSize);
    setFont(f);
}

void MyLabel::fitWidth(int labelWidth)
{
    if (!m_fitWidth || text().isEmpty())
        return;
    const QMargins margins = contentsMargins();
    const int room = labelWidth - margins.left() - margins.right() - 2 * margin();
    int size = font().pointSize();
    QFont f = font();
    while (size > 1 && QFontMetrics(f).horizontalAdvance(text()) > room) {
        // Widths grow with the size: one step to about the right size,
        // then down a point at a time for what rounding left.
        const int width = QFontMetrics(f).horizontalAdvance(text());
        size = qMax(1, qMin(size - 1, size * room / qMax(1, width)));
        f.setPointSize(size);
    }
    applyFont(size);
}

void MyLabel::resizeEvent(QResizeEvent *event)
{
    // A new size starts the width fitting afresh from the height's size;
    // between resizes the font only shrinks.
    applyFont(fittedPointSize(event->size().height()));
    fitWidth(event->size().width());
    event->ignore();
}

void MyLabel::paintEvent(QPaintEvent *event)
{
    QLabel::paintEvent(event);
    if (!m_underline)
        return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing, true);
    QPen pen(m_color, 1);
    pen.setCapStyle(Qt::RoundCap);
    painter.setPen(pen);
    const QRect r = rect();
    painter.drawLine(r.bottomLeft(), r.bottomRight());
}
