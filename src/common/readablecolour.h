#pragma once
// Text that a window colours on purpose (an error in red, a server's reply
// in blue) must stay readable on whatever background the chosen theme
// paints: dark themes make Qt's plain red and blue, and black all the more,
// unreadable. The colour wanted is kept in its hue and made lighter or
// darker until it stands out from the background as well as body text must
// (a contrast of 4.5 to 1), and chosen again whenever a theme changes the
// widget's palette.
#include <QColor>
#include <functional>

class QWidget;

class ReadableColour
{
public:
    // The contrast ratio of two colours, from 1 (the same) to 21 (black on
    // white), as the usual readability guidelines compute it.
    static double contrast(const QColor &a, const QColor &b);
    // wanted itself when it reads on background, else the nearest shade of
    // it (towards white on a dark background, black on a light one) that does.
    static QColor on(const QColor &wanted, const QColor &background);
    // Shows the widget's text (its foreground role) in a readable shade of
    // wanted on its own background role, now and after every theme change;
    // an invalid colour gives the text back to the theme. It takes over the
    // widget's own style sheet.
    static void setTextColour(QWidget *widget, const QColor &wanted);
    // Calls changed whenever the widget's palette or style changes, for a
    // widget that colours parts of its content itself. Once per widget and key.
    static void watchTheme(QWidget *widget, const char *key, std::function<void()> changed);
};
