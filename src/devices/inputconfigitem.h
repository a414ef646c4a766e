#pragma once
// One input of a device's input configuration as the configuration form
// shows and changes it. A unit number of -999 leaves the stored one as is.
#include <QMetaType>
#include <QString>

struct InputConfigItem
{
    QString deviceName;  // the "SensorPrefix"
    QString deviceType;
    int inputNumber = 0;  // from 1
    QString function;     // the sensor function's name
    int unitNum = -999;
};

Q_DECLARE_METATYPE(InputConfigItem *)
