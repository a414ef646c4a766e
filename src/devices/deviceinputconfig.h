#pragma once
// How the inputs of one named device of the chain are read: per input
// number (from 1) the sensor function, with the unit the user chose.
#include "sensordef.h"

#include <QHash>
#include <QString>

struct DeviceInputConfig
{
    QString prefix;  // the device name ("SensorPrefix")
    QString devType;
    QHash<int, SensorDef> inputs;
};
