#pragma once
// A number written as printf's "%E" does in the C locale ("6.000000E+00"),
// whatever locale the process or Qt's default locale is set to.
#include <QByteArray>
#include <QString>

class ExponentText
{
public:
    static QByteArray of(double value)
    {
        return QString::asprintf("%E", value).toLatin1();
    }
};
