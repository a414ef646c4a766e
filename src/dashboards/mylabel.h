#pragma once
// The label of every gauge title and text line: its font follows its
// height (a third of it, within its own limits) and it can draw a line
// along its bottom edge.
#include <QColor>
#include <QLabel>

class MyLabel : public QLabel
{
    Q_OBJECT
public:
    explicit MyLabel(QWidget *parent = nullptr);

    // Stores the colour and applies it through the style sheet "color:#rrggbb".
    void setColor(const QColor &color);
    QColor color() const { return m_color; }
    void setUnderline(bool underline);
    bool underline() const { return m_underline; }
    void setMinPointSize(int size) { m_minPointSize = size; }
    void setMaxPointSize(int size) { m_maxPointSize = size; }
    int minPointSize() const { return m_minPointSize; }
    int maxPointSize() const { return m_maxPointSize; }

    // The point size for a label of the given height.
    int fittedPointSize(int height) const;
    // The font follows the height, so the height must not follow the text:
    // a wrapped title would otherwise ask for more height, get a larger
    // font, wrap again and grow its line past the others.
    bool hasHeightForWidth() const override { return false; }
    // For the same reason a wrapped label asks for one line of its font:
    // the plain hint wraps at a width guessed from the font, not the real
    // one, so one size can ask for two lines and the next for one, and a
    // title whose height is its hint would switch between them for ever.
    QSize sizeHint() const override;

protected:
    void resizeEvent(QResizeEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    QColor m_color = Qt::white;
    bool m_underline = false;
    int m_minPointSize = 9;
    int m_maxPointSize = 16;
};
