#pragma once
// Reads the PLX sensor definitions ("config/PLXSensors.xml": names and
// units per kind of sensor) and reads and writes the sensor configuration
// ("config/PLXSensorsConfig.xml": the unit chosen per address and
// instance). Loads nothing by itself; load() reads both files from scratch.
// The configuration is the user's file: it is written through SafeFile and
// never replaced when it does not parse. While it does not read (broken by
// hand, unreadable), the configurations read last are kept and lastError()
// says why; a missing file is no error: it has no configurations.
#include "kelvolog.h"
#include "plxsensorconf.h"
#include "plxsensordefinition.h"

#include <QHash>
#include <QList>
#include <QObject>
#include <QString>

class PLXSensorConfigManager : public QObject
{
    Q_OBJECT
public:
    explicit PLXSensorConfigManager(QObject *parent = nullptr);
    ~PLXSensorConfigManager() override;

    void load();
    void readDefs();
    // Replaces the configurations by the file's; false, keeping them, when
    // the file is there but does not read.
    bool readConfigs();
    // A new configuration file from the list, in list order; false when it
    // could not be written (the old file then stays).
    bool writeConfig(const QList<PLXSensorConf> &list);
    // Sets the unit number of the first sensor with conf's address and
    // instance in the file; only the file changes, the caller reloads.
    bool updateSensorConf(const PLXSensorConf *conf, int unitNum);
    bool removeConfigFile();
    // Why the last load, write, update or removal of the configuration
    // file failed, for the user; empty when it went well.
    const QString &lastError() const { return error; }

    QHash<int, PLXSensorDefinition *> &sensorDefs() { return defs; }
    QList<PLXSensorConf> &sensorConfigs() { return configs; }
    // The first configuration of that sensor, or null.
    const PLXSensorConf *findConf(int address, int instance) const;
    // The definition of the address, or null.
    const PLXSensorDefinition *definition(int address) const { return defs.value(address, nullptr); }

    QString configFile() const { return configPath; }

private:
    void clearDefs();
    bool fail(const QString &why);

    QHash<int, PLXSensorDefinition *> defs;
    QList<PLXSensorConf> configs;
    log4cplus::Logger logger;
    QString configPath;
    QString defsPath;
    QString error;
};
