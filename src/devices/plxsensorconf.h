#pragma once
// The unit chosen for one PLX sensor (a kind of sensor, by its address, and
// which of several of that kind, by its instance), as kept in
// "config/PLXSensorsConfig.xml". The unit name is looked up in the sensor
// definitions; it is empty when none fits.
#include <QMetaType>
#include <QString>

class PLXSensorConf
{
public:
    int address = 0;
    int instance = 0;
    int unitNum = 0;
    QString unitName;
};

Q_DECLARE_METATYPE(PLXSensorConf *)
