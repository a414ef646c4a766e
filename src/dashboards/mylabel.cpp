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

void MyLabel::resizeEvent(QResizeEvent *event)
{
    const int size = fittedPointSize(event->size().height());
    if (font().pointSize() != size) {
        QFont f = font();
        f.setPointSize(size);
        setFont(f);
    }
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
