// Gauge definition and screen files are user-edited text: any bytes must
// parse without a crash, and every group listed must answer its keys.
#include "gaugeinifile.h"
#include "numbertext.h"

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
            // As the definitions read their numbers: blanks are none.
            bool ok = false;
            const double v = NumberText::toDouble(ini.value(group, key), &ok);
            if (!ok && v != 0.0)
                __builtin_trap();
            if (ok && ini.value(group, key).trimmed().isEmpty())
                __builtin_trap();
        }
    }
    return 0;
}
