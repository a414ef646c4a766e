#include "kelvosettings.h"

QString KelvoSettings::fileName()
{
    return QStringLiteral("kelvo.ini");
}

std::unique_ptr<QSettings> KelvoSettings::open()
{
    auto settings = std::make_unique<QSettings>(fileName(), QSettings::IniFormat);
    settings->setIniCodec("UTF-8");
    return settings;
}

int KelvoSettings::intValue(const QString &key, int def, int lo, int hi)
{
    auto settings = open();
    bool ok = false;
    const qlonglong v = settings->value(key, def).toLongLong(&ok);
    if (!ok)
        return def;
    if (v < lo)
        return lo;
    if (v > hi)
        return hi;
    return int(v);
}
