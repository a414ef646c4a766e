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
    // With it, the font also shrinks where the text would be wider than the
    // label, below the minimum point size if need be: a number cut at its
    // edge reads as another number. It shrinks only, until the next resize,
    // so that the digits do not jump with every value of another length.
    void setFitWidth(bool fit);
    // Sets the text, and with width fitting the font that shows it whole.
    void showText(const QString &text);

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
    void applyFont(int pointSize);
    // Shrinks the font until the text fits a label of that width.
    void fitWidth(int labelWidth);

    QColor m_color = Qt::white;
    bool m_underline = false;
    int m_minPointSize = 9;
    int m_maxPointSize = 16;
    bool m_fitWidth = false;
};
