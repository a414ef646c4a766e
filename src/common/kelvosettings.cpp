#include "kelvosettings.h"

#include <QStringList>

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

int KelvoSettings::intValue(const QString &key, int def, int lo, int hi, QString *replaced)
{
    auto settings = open();
    if (replaced)
        *replaced = QString();
    if (!settings->contains(key))
        return def;
    const QVariant raw = settings->value(key);
    bool ok = false;
    const qlonglong v = raw.toLongLong(&ok);
    const int used = !ok ? def : v < lo ? lo : v > hi ? hi : int(v);
    if (replaced && (!ok || used != v))
        *replaced = raw.type() == QVariant::StringList ? raw.toStringList().join(QLatin1Char(',')) : raw.toString();
    return used;
}
