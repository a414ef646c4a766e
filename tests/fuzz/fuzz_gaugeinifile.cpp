// Gauge definition and screen files are user-edited text: any bytes must
// parse without a crash, and every group listed must answer its keys.
#include "gaugeinifile.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    GaugeIniFile ini;
    ini.parse(QByteArray(reinterpret_cast<const char *>(data), int(size)));
    QStringList groups = ini.childGroups();
    groups << QString();
    for (const QString &group : groups) {
        for (const QString &key : ini.keys(group)) {
            if (!ini.contains(group, key))
                __builtin_trap();
            ini.value(group, key).toDouble();
        }
    }
    return 0;
}
