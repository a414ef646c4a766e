// Every read of the ECU description file reader over one input file.
#include "prgfilereader.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QLoggingCategory>
#include <QStringList>
#include <QTemporaryDir>
#include <cstdint>

namespace {

void quiet(QtMsgType, const QMessageLogContext &, const QString &)
{
}

struct Setup
{
    Setup()
        : dir(QDir("/dev/shm").exists() ? QStringLiteral("/dev/shm/kelvo-fuzz-XXXXXX") : QDir::tempPath() + "/kelvo-fuzz-XXXXXX")
    {
        qInstallMessageHandler(quiet);
        QLoggingCategory::setFilterRules(QStringLiteral("*.debug=false"));
        QDir().mkpath(dir.filePath("ecu"));
    }
    QTemporaryDir dir;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static Setup setup;
    const QString ecuDir = setup.dir.filePath("ecu");
    {
        QFile f(ecuDir + "/FUZZ.prg");
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return 0;
        f.write(reinterpret_cast<const char *>(data), qint64(size));
    }
    PRGFileReader reader;
    reader.setEcuDirectory(ecuDir);
    const QString file = QStringLiteral("FUZZ.prg");
    reader.jobNames(file);
    reader.readDescriptionBlock(file);
    reader.readDescriptionText(file);
    const QStringList tables = reader.tableNames(file);
    for (int i = 0; i < tables.size() && i < 8; ++i) {
        PRGTable *table = reader.readTable(file, tables.at(i));
        if (table) {
            const QStringList header = table->text.section(QLatin1Char('\n'), 0, 0).split(QLatin1Char('\t'));
            PRGFileReader::nameColumn(true, table->tableName, header);
            PRGFileReader::nameColumn(false, table->tableName, header);
        }
        delete table;
    }
    delete reader.readTable(file, QString());
    delete reader.readTable(file, QStringLiteral("MESSWERTETAB"));
    return 0;
}
