#pragma once
// What the program knows about the devices of an Innovate MTS chain, from
// three files under "config/": the sensor functions ("SensorDefs.xml":
// name, default unit, range), the kinds of device ("DeviceDefs.xml": the
// functions each channel offers and its default), and the user's input
// configurations ("InputConfigs.xml": per named device, the function and
// unit of each input). load() reads all three afresh.
//
// A file that is there but does not read (broken XML, no permission) leaves
// what was last read from it in place: a source keeps its configuration
// while the user is in the middle of an edit. readError() says which files
// did not read at the last load() and why. A missing file empties its part.
// With watchFiles(), filesChanged() tells when one of the three may have
// changed on disk (an edit by hand included): read them again to know.
//
// InputConfigs.xml is the user's file: it is replaced whole or not at all
// (SafeFile), and never when it does not parse. Every successful write, and
// notifyInputConfigChanged(), emits inputConfigChanged(); listeners load()
// again when they need to.
//
// The shared instance serves the data handler and the configuration form;
// the SDK handler and the tester have their own. GUI thread only.
#include "deviceinputconfig.h"
#include "devicedef.h"
#include "inputconfigitem.h"
#include "kelvolog.h"
#include "sensordef.h"
#include "unitconverter.h"

#include <QHash>
#include <QObject>
#include <QStringList>

class FileWatch;
class QDomDocument;

class InnovateMTSExtConfig : public QObject
{
    Q_OBJECT
public:
    static InnovateMTSExtConfig *instance();

    explicit InnovateMTSExtConfig(QObject *parent = nullptr);

    void load();
    void loadDeviceDefs();
    void loadSensorDefs();
    void loadInputConfigs();
    // Counts the loads: what a consumer derived from the tables stands
    // until it changes.
    quint64 generation() const { return loads; }
    // What did not read at the last load(): per file "<file> does not read:
    // <why>", and whether what was read of it before stays in use; empty
    // when every file read (or was missing).
    QString readError() const { return readErrors.join(QStringLiteral("; ")); }
    // From now on, filesChanged() follows the files of the current folder.
    void watchFiles();

    // Null when there is none; valid until the next load.
    const SensorDef *sensorDef(const QString &name) const;
    const DeviceInputConfig *inputConfig(const QString &deviceName) const;
    bool hasInputConfig(const QString &deviceName) const { return inputConfigs.contains(deviceName); }
    DeviceDef *deviceDef(const QString &type);
    // The configured device names in the order of the file.
    QStringList inputConfigNames() const { return inputConfigOrder; }

    // The unit an input's value is shown in. Its range and value are in the
    // unit of its function's definition; shown in the configured unit where
    // the converter converts between the two (convertFrom to convertTo),
    // else in the definition's own unit: a value is never labelled with a
    // unit it is not in (a function changed to one of another kind keeps
    // the unit number of the old one until a unit is chosen).
    struct ShownUnit
    {
        QString unit;
        int convertFrom = UnitConverter::NoUnit;
        int convertTo = UnitConverter::NoUnit;
    };
    ShownUnit shownUnit(const SensorDef &item) const;

    // Gives the input of item's device and number item's function, and its
    // unit number unless that is -999. False when nothing was written.
    bool updateSensorConfg(const InputConfigItem &oldItem, const InputConfigItem &item);
    // Appends an input configuration for a device of a known type, one
    // input per channel with its default function. False when nothing was
    // written: no such type, the device is configured already, or the
    // file does not parse.
    bool addNewConfig(const QString &name, const QString &type);
    // Why the last updateSensorConfg or addNewConfig wrote nothing; empty
    // after a write.
    QString lastError() const { return writeError; }
    void notifyInputConfigChanged();

signals:
    void inputConfigChanged();
    void filesChanged();

private:
    enum class Outcome { Read, Emptied, Kept };
    bool writeInputConfigs(const QByteArray &bytes);
    // Watches the three files of the current folder, unless it does already.
    void watchCurrentFiles();
    // Reads path into doc: Read (source becomes the file), Emptied (the
    // file is missing, or does not read and its table holds nothing of it)
    // or Kept (it does not read; its table keeps what source gave).
    Outcome readFile(const QString &path, QString &source, QDomDocument &doc);

    QHash<QString, SensorDef> sensorDefs;
    QHash<QString, DeviceInputConfig> inputConfigs;
    QStringList inputConfigOrder;
    QHash<QString, DeviceDef> deviceDefs;
    log4cplus::Logger logger;
    QString inputConfigPath;
    QString sensorDefsPath;
    QString deviceDefsPath;
    // The absolute file each table was last read from: only that file's
    // contents are kept while it does not read.
    QString inputConfigSource;
    QString sensorDefsSource;
    QString deviceDefsSource;
    QStringList readErrors;
    QString writeError;
    quint64 loads = 0;
    bool watching = false;
    // One per file, of the folder that was current at the last load.
    QList<FileWatch *> watches;
    UnitConverter converter;
};
