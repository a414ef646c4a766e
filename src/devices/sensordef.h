#pragma once
// What an Innovate sensor function measures: its name ("LAMBDA", "TEMP",
// ...), its default unit and the unit's code (-999 when none), and the
// range of values an input of that function spans. As an input item of a
// device's input configuration, unit and code are the ones configured.
#include <QString>

struct SensorDef
{
    QString name;
    QString unit;
    int unitNum = -999;
    float min = 0.0f;
    float max = 0.0f;
    QString extra;
};
