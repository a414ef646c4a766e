#pragma once
// One kind of PLX sensor as "config/PLXSensors.xml" defines it: its name,
// its address in the stream and the units it can report in, each a pair of
// the unit's name and its number (as text), in file order. The unit
// numbers are the unit codes of PLXStreamDecoder::convertValue.
#include <QList>
#include <QPair>
#include <QString>

class PLXSensorDefinition
{
public:
    QString name;
    int address = 0;
    QList<QPair<QString, QString>> units;

    // The name of the unit numbered num, or an empty text.
    QString unitName(int num) const
    {
        for (const auto &unit : units) {
            bool ok = false;
            if (unit.second.toInt(&ok) == num && ok)
                return unit.first;
        }
        return QString();
    }
};
