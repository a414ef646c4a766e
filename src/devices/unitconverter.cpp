#include "unitconverter.h"

UnitConverter::UnitConverter(QObject *parent)
    : QObject(parent)
{
    struct Unit
    {
        int code;
        const char *name;
        int type;
    };
    static const Unit units[] = {
        {0, "degC", 0}, {1, "degF", 0}, {2, "bar", 1},  {3, "PSI", 1},  {4, "inHG", 1},
        {5, "Hz", 2},   {6, "RPM", 2},  {7, "km/h", 3}, {8, "mph", 3},  {9, "kPa", 1},
        {10, "g", 5},   {11, "V", 6},   {12, "%", 7},   {13, "%", -1},
    };
    for (const Unit &u : units) {
        names.insert(u.code, QString::fromLatin1(u.name));
        if (u.type >= 0)
            types.insert(u.code, u.type);
    }
    // No unit: a measurement type of its own, no name.
    types.insert(NoUnit, 8);
}

QStringList UnitConverter::unitsForType(int type) const
{
    switch (type) {
    case 0: return {QStringLiteral("degC"), QStringLiteral("degF")};
    case 1: return {QStringLiteral("bar"), QStringLiteral("PSI"), QStringLiteral("kPa"), QStringLiteral("inHG")};
    case 2: return {QStringLiteral("RPM"), QStringLiteral("Hz")};
    case 3: return {QStringLiteral("km/h"), QStringLiteral("mph")};
    case 4: return {QStringLiteral("AFR")};
    case 5: return {QStringLiteral("g")};
    default: return {};
    }
}

int UnitConverter::unitCode(const QString &name) const
{
    int code = -1;
    for (auto it = names.constBegin(); it != names.constEnd(); ++it) {
        if (it.value() == name)
            code = it.key(); // ascending keys: the highest match stays
    }
    return code;
}

double UnitConverter::convert(int fromCode, int toCode, const float *value) const
{
    if (!value)
        return NoUnit;
    const double v = *value;
    switch (fromCode) {
    case 0:
        if (toCode == 1)
            return v * double(1.8f) + 32;
        break;
    case 2:
        if (toCode == 3)
            return v * 14.5037738007;
        if (toCode == 4)
            return v * 29.52998307099999;
        if (toCode == 9)
            return v * 100;
        break;
    case 3:
        if (toCode == 9)
            return v * 6.894757;
        break;
    case 6:
        if (toCode == 5)
            return v * 0.0166666666666667;
        break;
    case 7:
        if (toCode == 8)
            return v * 0.6213712;
        break;
    case 9:
        if (toCode == 3)
            return v / double(6.8947573f);
        if (toCode == 2)
            return v * double(0.01f);
        break;
    }
    return NoUnit;
}
