#pragma once
// The two timings of a 14Point7 controller's exchange, in milliseconds: the
// pause after each data request, and the read time-out (kept, not applied).
#include <QMetaType>

struct Q14point7TimingSettings
{
    int dataPause = 0;
    int readTimeout = 0;
};

Q_DECLARE_METATYPE(Q14point7TimingSettings)
