// The three Innovate configuration files: the input, cut at NUL bytes, is
// the sensor definitions, the device definitions and the input
// configurations. All are read and walked, one input is changed and a new
// device's defaults are appended. An input configuration file that does not
// parse is never changed, and then no change is announced.
#include "fuzzworkdir.h"
#include "innovatemtsextconfig.h"

#include <QDomDocument>
#include <QFile>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static FuzzWorkDir dir;
    FuzzCurrentDir cd(dir);
    const QList<QByteArray> parts = QByteArray(reinterpret_cast<const char *>(data), int(size)).split('\0');
    const QByteArray inputConfigs = parts.value(2);
    dir.write("config/SensorDefs.xml", parts.value(0));
    dir.write("config/DeviceDefs.xml", parts.value(1));
    dir.write("config/InputConfigs.xml", inputConfigs);

    InnovateMTSExtConfig config;
    int announced = 0;
    QObject::connect(&config, &InnovateMTSExtConfig::inputConfigChanged, [&announced] { ++announced; });
    config.load();
    InputConfigItem item;
    item.unitNum = 3;
    for (const QString &name : config.inputConfigNames()) {
        const DeviceInputConfig *device = config.inputConfig(name);
        if (!device)
            std::abort();
        for (auto it = device->inputs.constBegin(); it != device->inputs.constEnd(); ++it) {
            if (!config.sensorDef(it->name))
                std::abort();  // only inputs of known functions are entered
            item.deviceName = name;
            item.inputNumber = it.key();
            item.function = it->name;
        }
        if (DeviceDef *def = config.deviceDef(device->devType))
            def->functions.value(1);
    }
    QFile before("config/InputConfigs.xml");
    const bool parses = before.open(QIODevice::ReadOnly | QIODevice::Text) && QDomDocument().setContent(&before);
    before.close();
    config.updateSensorConfg(item, item);
    QString type;
    for (const QByteArray &t : {QByteArray("WB01"), QByteArray("AN02"), QByteArray("T")}) {
        if (config.deviceDef(QString::fromLatin1(t)))
            type = QString::fromLatin1(t);
    }
    config.addNewConfig(QStringLiteral("FUZZ"), type);
    if (!parses) {
        QFile after("config/InputConfigs.xml");
        if (!after.open(QIODevice::ReadOnly) || after.readAll() != inputConfigs || announced != 0)
            std::abort();
    }
    config.load();
    return 0;
}
