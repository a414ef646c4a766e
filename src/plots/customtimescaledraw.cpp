#include "customtimescaledraw.h"

#include <algorithm>
#include <cmath>

CustomTimeScaleDraw::CustomTimeScaleDraw() = default;

QwtText CustomTimeScaleDraw::label(double value) const
{
    return QwtText(timeLabel(value));
}

QString CustomTimeScaleDraw::timeLabel(double value)
{
    if (std::isnan(value))
        return QString();
    // Truncate toward zero as the clock labels always did, without ever
    // converting a value that a 64-bit integer cannot hold.
    const double limit = 9.2e18;
    const double clamped = std::max(-limit, std::min(limit, std::trunc(value)));
    const qint64 signedMs = qint64(clamped);
    const bool negative = signedMs < 0;
    const qint64 ms = negative ? -signedMs : signedMs;

    const qint64 s = ms / 1000;
    const qint64 m = ms / 60000;
    const qint64 h = ms / 3600000;
    QString text;
    if (h != 0)
        text = QString::asprintf("%lld:%02lld:%02lld", static_cast<long long>(h), static_cast<long long>(m - 60 * h),
                                 static_cast<long long>(s - 60 * m));
    else if (ms % 1000 != 0)
        text = QString::asprintf("%2lld:%02lld.%03lld", static_cast<long long>(m), static_cast<long long>(s - 60 * m),
                                 static_cast<long long>(ms % 1000));
    else
        text = QString::asprintf("%2lld:%02lld", static_cast<long long>(m), static_cast<long long>(s - 60 * m));
    if (negative)
        text = QLatin1Char('-') + text.trimmed();
    return text;
}
