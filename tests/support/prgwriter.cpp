#include "prgwriter.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

void appendInt32(QByteArray &out, qint64 value)
{
    const quint32 v = quint32(qint32(value));
    out.append(char(v & 0xFF));
    out.append(char((v >> 8) & 0xFF));
    out.append(char((v >> 16) & 0xFF));
    out.append(char((v >> 24) & 0xFF));
}

QByteArray int32Bytes(qint64 value)
{
    QByteArray b;
    appendInt32(b, value);
    return b;
}

QByteArray nameField(const QByteArray &name, bool unterminated)
{
    QByteArray field = name.left(64);
    if (unterminated) {
        while (field.size() < 64)
            field.append('X');
        return field;
    }
    if (field.size() > 63)
        field.truncate(63);
    field.append(QByteArray(64 - field.size(), '\0'));
    return field;
}

} // namespace

QByteArray PrgWriter::scramble(const QByteArray &bytes)
{
    QByteArray out = bytes;
    for (int i = 0; i < out.size(); ++i)
        out[i] = char(quint8(out[i]) ^ ScrambleByte);
    return out;
}

void PrgWriter::patchInt32(QByteArray &file, qint64 pos, qint64 value, bool scrambled)
{
    QByteArray b = int32Bytes(value);
    if (scrambled)
        b = scramble(b);
    for (int i = 0; i < 4 && pos + i < file.size(); ++i)
        file[int(pos + i)] = b[i];
}

void PrgWriter::jobsFromDescription()
{
    jobs.clear();
    for (QByteArray line : description.split('\n')) {
        if (line.endsWith('\r'))
            line.chop(1);
        if (line.startsWith("JOBNAME:"))
            jobs << line.mid(8).split(':').value(0);
    }
}

void PrgWriter::addTable(const QByteArray &name, const QList<QByteArray> &columns,
                         const QList<QList<QByteArray>> &rows)
{
    tables.append(Table{name, columns, rows});
}

void PrgWriter::dropCellTerminator(int table, int row, int column)
{
    droppedTerminators.append(QVector<int>{table, row, column});
}

QByteArray PrgWriter::build(Layout *layout) const
{
    Layout l;
    QByteArray out("@EDIABAS OBJECT");
    out.append(QByteArray(0xA0 - out.size(), '\0'));

    // Description block: plain length, scrambled text.
    l.descriptionOffset = out.size();
    appendInt32(out, hasDescLength ? descLengthOverride : description.size());
    out.append(scramble(description));

    // Job list: plain count, then a scrambled name field and address per job.
    l.jobListOffset = out.size();
    appendInt32(out, hasJobCount ? jobCountOverride : jobs.size());
    for (int i = 0; i < jobs.size(); ++i) {
        QByteArray entry = nameField(jobs.at(i), unterminatedJobs.contains(i));
        entry.append(int32Bytes(0));
        out.append(scramble(entry));
    }

    // Table data: every cell a scrambled string with its end byte.
    for (int t = 0; t < tables.size(); ++t) {
        const Table &table = tables.at(t);
        l.tableDataOffsets << out.size();
        QList<QList<QByteArray>> all;
        all << table.columns;
        all << table.rows;
        QByteArray data;
        for (int r = 0; r < all.size(); ++r) {
            for (int c = 0; c < all.at(r).size(); ++c) {
                data.append(all.at(r).at(c));
                if (!droppedTerminators.contains(QVector<int>{t, r, c}))
                    data.append('\0');
            }
        }
        out.append(scramble(data));
    }

    // Table directory, all scrambled.
    l.tableDirOffset = out.size();
    out.append(scramble(int32Bytes(hasTableCount ? tableCountOverride : tables.size())));
    for (int t = 0; t < tables.size(); ++t) {
        const Table &table = tables.at(t);
        l.tableEntryOffsets << out.size();
        QByteArray entry = nameField(table.name, unterminatedTables.contains(t));
        appendInt32(entry, dataOffsetOverride.value(t, l.tableDataOffsets.at(t)));
        appendInt32(entry, 0);
        appendInt32(entry, columnsOverride.value(t, table.columns.size()));
        appendInt32(entry, rowsOverride.value(t, table.rows.size()));
        out.append(scramble(entry));
    }

    patchInt32(out, 0x84, hasDirOffset ? dirOffsetOverride : l.tableDirOffset, false);
    patchInt32(out, 0x88, hasJobListOffset ? jobListOffsetOverride : l.jobListOffset, false);
    patchInt32(out, 0x90, hasDescOffset ? descOffsetOverride : l.descriptionOffset, false);

    if (cutAt >= 0 && cutAt < out.size())
        out.truncate(int(cutAt));
    l.size = out.size();
    if (layout)
        *layout = l;
    return out;
}

bool PrgWriter::write(const QString &path, Layout *layout) const
{
    const QByteArray bytes = build(layout);
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    return f.write(bytes) == bytes.size();
}

bool PrgWriter::parseSource(const QByteArray &source, QString *error)
{
    enum Section { None, Description, Jobs, TableSection } section = None;
    bool jobsGiven = false;
    bool headerDone = false;
    int tableIndex = -1;
    QByteArray desc;
    int lineNo = 0;
    for (QByteArray line : source.split('\n')) {
        ++lineNo;
        if (line.endsWith('\r'))
            line.chop(1);
        const QByteArray trimmed = line.trimmed();
        if (trimmed.startsWith('[') && trimmed.endsWith(']')) {
            const QByteArray head = trimmed.mid(1, trimmed.size() - 2).trimmed();
            if (head == "description") {
                section = Description;
            } else if (head == "jobs") {
                section = Jobs;
                jobsGiven = true;
            } else if (head.startsWith("table ") && !head.mid(6).trimmed().isEmpty()) {
                section = TableSection;
                tables.append(Table{head.mid(6).trimmed(), {}, {}});
                tableIndex = tables.size() - 1;
                headerDone = false;
            } else {
                if (error)
                    *error = QStringLiteral("line %1: unknown section [%2]").arg(lineNo).arg(QString::fromLatin1(head));
                return false;
            }
            continue;
        }
        switch (section) {
        case Description:
            desc.append(line).append('\n');
            break;
        case Jobs:
            if (!trimmed.isEmpty() && !trimmed.startsWith('#'))
                jobs << trimmed;
            break;
        case TableSection:
            if (trimmed.isEmpty() || line.startsWith('#'))
                break;
            {
            Table *table = &tables[tableIndex];
            if (!headerDone) {
                table->columns = line.split('\t');
                headerDone = true;
            } else {
                QList<QByteArray> cells = line.split('\t');
                if (cells.size() != table->columns.size()) {
                    if (error)
                        *error = QStringLiteral("line %1: %2 cells, table %3 has %4 columns")
                                     .arg(lineNo).arg(cells.size()).arg(QString::fromLatin1(table->name))
                                     .arg(table->columns.size());
                    return false;
                }
                table->rows << cells;
            }
            }
            break;
        case None:
            if (!trimmed.isEmpty() && !trimmed.startsWith('#')) {
                if (error)
                    *error = QStringLiteral("line %1: text outside a section").arg(lineNo);
                return false;
            }
            break;
        }
    }
    // Blank lines closing the description section are layout, not text.
    while (desc.endsWith("\n\n"))
        desc.chop(1);
    description = desc;
    if (!jobsGiven)
        jobsFromDescription();
    for (const Table &t : tables) {
        if (t.columns.isEmpty()) {
            if (error)
                *error = QStringLiteral("table %1 has no header line").arg(QString::fromLatin1(t.name));
            return false;
        }
    }
    return true;
}
