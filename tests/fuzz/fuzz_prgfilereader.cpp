// Every read of the ECU description file reader over one input file.
#include "fuzzworkdir.h"
#include "prgfilereader.h"

#include <QStringList>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static FuzzWorkDir dir;
    const QString ecuDir = dir.filePath("ecu");
    if (!dir.write("ecu/FUZZ.prg", data, size))
        return 0;
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
