// The logger presets file as outside input: any bytes in
// "config/datalogger.json" are read, queried and, when they parsed, written
// back without harm.
#include "dataloggerset.h"
#include "fuzzworkdir.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    Fuzz::ensureApplication("fuzz");
    static QTemporaryDir dir;
    QDir::setCurrent(dir.path());
    QDir().mkpath("config");
    {
        QFile f(DataLoggerSet::fileName());
        f.open(QIODevice::WriteOnly | QIODevice::Truncate);
        f.write(reinterpret_cast<const char *>(data), qint64(size));
    }
    DataLoggerSet set;
    if (set.readFile() == DataLoggerSet::Loaded) {
        const QStringList names = set.presetNames();
        for (const QString &n : names)
            set.rowsToTick(n, {DataLoggerSet::entry("E", "J", "R")});
        set.insertPreset("fuzz", QVariantList{DataLoggerSet::entry("E", "J", "R")});
        set.writeFile();
    }
    return 0;
}
