#pragma once
// A plot drawn again whenever the theme changes. Its canvas keeps the last
// picture it drew and paints it again until the next replot; a plot that
// adds its points one by one replots only when its page turns, so after a
// theme switch it kept the old theme's canvas (dark after Daylight, white
// after Night) for up to a whole page. Texts a plot colours itself (the
// curve titles on the canvas) take their colour again before the replot.
#include <functional>

class QwtPlot;

class PlotTheme
{
public:
    // Once per plot: from now on every theme change recolours (when given)
    // and replots it, once, right after the change is through.
    static void follow(QwtPlot *plot, std::function<void()> recolour = {});
};
