// The PLX sensor files: the input up to the first NUL is the definitions
// file, the rest the configuration. Both are read, the first sensor's unit
// is changed, and the list written anew. A configuration that does not
// parse is never changed.
#include "fuzzworkdir.h"
#include "plxsensorconfigmanager.h"

#include <QDomDocument>
#include <QFile>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static FuzzWorkDir dir;
    FuzzCurrentDir cd(dir);
    const QByteArray input(reinterpret_cast<const char *>(data), int(size));
    const int nul = input.indexOf('\0');
    const QByteArray defs = nul < 0 ? input : input.left(nul);
    const QByteArray configs = nul < 0 ? QByteArray() : input.mid(nul + 1);
    dir.write("config/PLXSensors.xml", defs);
    dir.write("config/PLXSensorsConfig.xml", configs);

    PLXSensorConfigManager manager;
    manager.load();
    PLXSensorConf probe;
    probe.address = 0;
    const PLXSensorConf *first = manager.sensorConfigs().isEmpty() ? &probe : &manager.sensorConfigs().first();
    // Parsed as the manager reads it: as text.
    QFile before("config/PLXSensorsConfig.xml");
    const bool parses = before.open(QIODevice::ReadOnly | QIODevice::Text)
                        && QDomDocument().setContent(&before);
    before.close();
    const bool changed = manager.updateSensorConf(first, 3);
    QFile file("config/PLXSensorsConfig.xml");
    if (!file.open(QIODevice::ReadOnly))
        std::abort();
    if (!parses && (changed || file.readAll() != configs))
        std::abort();
    file.close();
    manager.load();
    for (const PLXSensorConf &c : manager.sensorConfigs())
        manager.definition(c.address);
    manager.writeConfig(manager.sensorConfigs());
    return 0;
}
