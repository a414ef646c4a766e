// Result texts as an ECU or a device sends them, read as plot values; the
// first byte picks the result format. Whatever the text, the value is
// finite and a curve fed with it keeps a finite extent and its time order;
// any eight bytes as a tick value give a label.
#include "cjobresult.h"
#include "curvetracker.h"
#include "customqwtcurvedata.h"
#include "customtimescaledraw.h"
#include "plotwidgetdata.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0)
        return 0;
    CJobResult res;
    res.format = data[0] % 9;
    const std::string text(reinterpret_cast<const char *>(data + 1), size - 1);
    res.setTextValue(text);
    double value = -1;
    const bool readable = PlotWidgetData::readValue(res, value);
    if (!std::isfinite(value) || (!readable && value != 0.0))
        std::abort();

    CustomQwtCurveData curve;
    double x = 0;
    for (size_t i = 0; i + 8 <= size; i += 8) {
        double v;
        std::memcpy(&v, data + i, 8);
        (void)CustomTimeScaleDraw::timeLabel(v);
        x += double(data[i] % 7) - 1.0; // now and then a step back in time
        curve.append(x, value + double(data[i + 1]));
    }
    for (qint64 i = 1; i < curve.pointCount(); ++i)
        if (curve.rawX(i) < curve.rawX(i - 1))
            std::abort();
    if (!std::isfinite(curve.boundingRect().height()))
        std::abort();
    if (curve.pointCount() > 0) {
        const int idx = CurveTracker::upperSampleIndex(curve, x / 2);
        if (idx >= 0 && !(curve.rawX(idx) > x / 2))
            std::abort();
    }
    return 0;
}
