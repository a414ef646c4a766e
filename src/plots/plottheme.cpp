#include "plottheme.h"

#include "readablecolour.h"

#include <qwt_plot.h>

#include <QPointer>
#include <QTimer>
#include <memory>

void PlotTheme::follow(QwtPlot *plot, std::function<void()> recolour)
{
    // A theme reaches the canvas as several palette and style changes, from
    // inside its polish: one replot after the last of them.
    auto pending = std::make_shared<bool>(false);
    QPointer<QwtPlot> guarded(plot);
    ReadableColour::watchTheme(plot->canvas(), "plotTheme", [guarded, pending, recolour] {
        if (*pending || !guarded)
            return;
        *pending = true;
        QTimer::singleShot(0, guarded, [guarded, pending, recolour] {
            *pending = false;
            if (recolour)
                recolour();
            guarded->replot();
        });
    });
}
