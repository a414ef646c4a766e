#pragma once
// Labels the time axis as clock time: " 1:01", " 1:01.500", "1:02:03".
#include <qwt_scale_draw.h>

#include <QString>

class CustomTimeScaleDraw : public QwtScaleDraw
{
public:
    CustomTimeScaleDraw();
    QwtText label(double value) const override;
    // The label of a tick value in ms; negative values get a leading "-",
    // values beyond the 64-bit range are clamped, and a value that is no
    // number has no label.
    static QString timeLabel(double value);
};
