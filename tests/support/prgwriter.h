#pragma once
// Builds small EDIABAS ECU description files (PRG) for tests, benchmarks and
// the demo: a description text, job names and tables, laid out as the reader
// expects them. It can also damage what it writes (counts, offsets, lengths,
// name and cell ends, a file cut short) so that the reader's defences can be
// shown to hold.
//
// Layout written: a 0xA0-byte header (the offsets of the table directory,
// job list and description block at 0x84, 0x88 and 0x90), the description
// block, the job list, the data of every table, then the table directory.
#include <QByteArray>
#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>
#include <QVector>

class PrgWriter
{
public:
    struct Table
    {
        QByteArray name;
        QList<QByteArray> columns;
        QList<QList<QByteArray>> rows;
    };

    // Where build() put things, for damage done by hand with patch*().
    struct Layout
    {
        qint64 tableDirOffset = 0;
        qint64 jobListOffset = 0;
        qint64 descriptionOffset = 0;
        QVector<qint64> tableDataOffsets;
        QVector<qint64> tableEntryOffsets; // start of each 80-byte directory entry
        qint64 size = 0;
    };

    void setDescription(const QByteArray &text) { description = text; }
    void addJob(const QByteArray &name) { jobs << name; }
    void setJobs(const QList<QByteArray> &names) { jobs = names; }
    // Job names taken from the "JOBNAME:" lines of the description.
    void jobsFromDescription();
    void addTable(const QByteArray &name, const QList<QByteArray> &columns,
                  const QList<QList<QByteArray>> &rows = {});
    int tableCount() const { return tables.size(); }

    // Damage. Each override replaces the value build() would write.
    void setTableCount(qint64 count) { tableCountOverride = count; hasTableCount = true; }
    void setJobCount(qint64 count) { jobCountOverride = count; hasJobCount = true; }
    void setDescriptionLength(qint64 length) { descLengthOverride = length; hasDescLength = true; }
    void setTableDirOffset(qint64 offset) { dirOffsetOverride = offset; hasDirOffset = true; }
    void setJobListOffset(qint64 offset) { jobListOffsetOverride = offset; hasJobListOffset = true; }
    void setDescriptionOffset(qint64 offset) { descOffsetOverride = offset; hasDescOffset = true; }
    void setTableDataOffset(int table, qint64 offset) { dataOffsetOverride[table] = offset; }
    void setTableColumns(int table, qint64 columns) { columnsOverride[table] = columns; }
    void setTableRows(int table, qint64 rows) { rowsOverride[table] = rows; }
    // The name fills all 64 bytes with no end byte.
    void setUnterminatedTableName(int table) { unterminatedTables << table; }
    void setUnterminatedJobName(int job) { unterminatedJobs << job; }
    // The cell (row 0 = header row) is written without its end byte.
    void dropCellTerminator(int table, int row, int column);
    // The built file ends after this many bytes (negative: not cut).
    void truncateAt(qint64 size) { cutAt = size; }

    QByteArray build(Layout *layout = nullptr) const;
    bool write(const QString &path, Layout *layout = nullptr) const;

    static const unsigned char ScrambleByte = 0xF7;
    static QByteArray scramble(const QByteArray &bytes);
    static void patchInt32(QByteArray &file, qint64 pos, qint64 value, bool scrambled);

    // The simple text form read by the kelvo_prgwriter tool (see
    // tests/catalogue/prgwritertool.cpp). False with a message on bad input.
    bool parseSource(const QByteArray &source, QString *error);

private:
    QByteArray description;
    QList<QByteArray> jobs;
    QList<Table> tables;

    bool hasTableCount = false, hasJobCount = false, hasDescLength = false;
    bool hasDirOffset = false, hasJobListOffset = false, hasDescOffset = false;
    qint64 tableCountOverride = 0, jobCountOverride = 0, descLengthOverride = 0;
    qint64 dirOffsetOverride = 0, jobListOffsetOverride = 0, descOffsetOverride = 0;
    QMap<int, qint64> dataOffsetOverride, columnsOverride, rowsOverride;
    QList<int> unterminatedTables, unterminatedJobs;
    QList<QVector<int>> droppedTerminators; // table, row, column
    qint64 cutAt = -1;
};
