#pragma once
// The PLX sensor files as the PLX tests read them: the installed
// definitions from demo/config, and the stored configuration in short.
#include "plxsensorconfigmanager.h"

#include <QFile>
#include <QStringList>

namespace PlxTestFiles {

inline QByteArray installedDefinitions()
{
    QFile defs(QStringLiteral(KELVO_SOURCE_DIR) + "/demo/config/PLXSensors.xml");
    return defs.open(QIODevice::ReadOnly) ? defs.readAll() : QByteArray();
}

// "config/PLXSensorsConfig.xml" of the working directory as
// "address/instance/unit" entries, in file order.
inline QStringList stored()
{
    PLXSensorConfigManager manager;
    manager.readConfigs();
    QStringList list;
    for (const PLXSensorConf &c : manager.sensorConfigs())
        list << QString("%1/%2/%3").arg(c.address).arg(c.instance).arg(c.unitNum);
    return list;
}

} // namespace PlxTestFiles
