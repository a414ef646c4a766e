#pragma once
// The physical units of sensor inputs: the units offered per kind of
// measurement, the code of a unit name, and the conversions between the
// pairs of units that have one. Codes are fixed; -999 stands for no unit
// and is also what convert() gives for a pair it cannot convert.
#include <QMap>
#include <QObject>
#include <QStringList>

class UnitConverter : public QObject
{
    Q_OBJECT
public:
    static constexpr int NoUnit = -999;

    explicit UnitConverter(QObject *parent = nullptr);

    // The units to offer for a measurement type, in the order to show them.
    QStringList unitsForType(int type) const;
    // The code of the unit of exactly that name (the highest of several);
    // -1 when no unit has it.
    int unitCode(const QString &name) const;
    // The value (read in single precision) converted; -999 for an
    // unsupported pair, a unit to itself, or no value.
    double convert(int fromCode, int toCode, const float *value) const;

    QString unitName(int code) const { return names.value(code); }
    int measurementType(int code) const { return types.value(code, -1); }

private:
    QMap<int, QString> names;
    QMap<int, int> types;
};
