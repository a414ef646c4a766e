#include "prgfilereader.h"
#include "filelookup.h"
#include "kelvolog.h"

#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QVarLengthArray>

namespace {

log4cplus::Logger logger()
{
    return KelvoLog::get("filereader");
}

// One description file opened for one operation. Every read is checked
// against the real file size in 64-bit arithmetic before the file is touched,
// so a bad count or offset can neither allocate much nor run for long.
class PrgSource
{
public:
    // No part of a description file comes near this; a count or length that
    // asks for more is damage, not data.
    static const qint64 MaxBlock = 256 * 1024 * 1024;

    PrgSource(const QString &path, const QString &fileName)
        : file(path), name(fileName)
    {
    }

    bool open()
    {
        if (!file.open(QIODevice::ReadOnly)) {
            qDebug() << "can't open PRG file" << file.fileName();
            return false;
        }
        size = file.size();
        return true;
    }

    qint64 fileSize() const { return size; }

    // True when n bytes starting at pos lie inside the file.
    bool fits(qint64 pos, qint64 n) const
    {
        return pos >= 0 && n >= 0 && pos <= size && n <= size - pos;
    }

    bool readAt(qint64 pos, char *out, qint64 n)
    {
        if (!fits(pos, n) || !file.seek(pos))
            return false;
        return file.read(out, n) == n;
    }

    bool readBytes(qint64 pos, qint64 n, QByteArray &out, bool scrambled)
    {
        if (!fits(pos, n) || n > MaxBlock)
            return false;
        out.resize(int(n));
        if (!readAt(pos, out.data(), n))
            return false;
        if (scrambled)
            descramble(out.data(), n);
        return true;
    }

    bool readInt32(qint64 pos, bool scrambled, qint32 &value)
    {
        char b[4];
        if (!readAt(pos, b, 4))
            return false;
        if (scrambled)
            descramble(b, 4);
        value = littleEndian(b);
        return true;
    }

    static qint32 littleEndian(const char *b)
    {
        const quint32 v = quint32(quint8(b[0])) | (quint32(quint8(b[1])) << 8)
                          | (quint32(quint8(b[2])) << 16) | (quint32(quint8(b[3])) << 24);
        return qint32(v);
    }

    static void descramble(char *p, qint64 n)
    {
        for (qint64 i = 0; i < n; ++i)
            p[i] = char(quint8(p[i]) ^ PRGFileReader::ScrambleByte);
    }

    // The one error a damaged file earns per operation.
    void damaged(const char *what)
    {
        const QString msg = QStringLiteral("damaged ECU description file %1: %2").arg(name, QLatin1String(what));
        LOG4CPLUS_ERROR_FMT(logger(), "%s", KELVO_QS(msg));
        qWarning("%s", qPrintable(msg));
    }

    QFile file;
    QString name;
    qint64 size = 0;
};

// A 64-byte name field: the text before its end byte, or false when the
// field holds no end byte at all.
bool nameFromField(const char *field, QString &name)
{
    const void *end = memchr(field, 0, PRGFileReader::NameSize);
    if (!end)
        return false;
    name = QString::fromLatin1(field, int(static_cast<const char *>(end) - field));
    return true;
}

// The names at the start of `count` entries of `entrySize` bytes each; false
// (and the file marked damaged) when one has no end.
bool namesFromEntries(PrgSource &src, const QByteArray &entries, qint32 count, int entrySize, const char *damage,
                      QStringList &names)
{
    for (qint32 i = 0; i < count; ++i) {
        QString name;
        if (!nameFromField(entries.constData() + qint64(i) * entrySize, name)) {
            src.damaged(damage);
            return false;
        }
        names << name;
    }
    return true;
}

// Reads and checks the whole table directory. `names` gets every entry name,
// `entries` the descrambled directory bytes.
bool readDirectory(PrgSource &src, const char *tag, QStringList &names, QByteArray &entries)
{
    qint32 dirOffset = 0;
    qDebug() << (QByteArray(tag) + "file pos: ").constData() << PRGFileReader::TableDirOffsetPos;
    if (!src.readInt32(PRGFileReader::TableDirOffsetPos, false, dirOffset)) {
        src.damaged("the header is cut short");
        return false;
    }
    qDebug() << (QByteArray(tag) + "pos=").constData() << dirOffset;
    qint32 count = 0;
    if (!src.readInt32(dirOffset, true, count)) {
        src.damaged("the table directory lies outside the file");
        return false;
    }
    qDebug() << (QByteArray(tag) + "tables count=").constData() << count;
    const qint64 bytes = qint64(count) * PRGFileReader::TableEntrySize;
    if (count < 0 || !src.fits(qint64(dirOffset) + 4, bytes)) {
        src.damaged("the table count does not fit the file");
        return false;
    }
    if (!src.readBytes(qint64(dirOffset) + 4, bytes, entries, true)) {
        src.damaged("the table directory cannot be read");
        return false;
    }
    return namesFromEntries(src, entries, count, PRGFileReader::TableEntrySize, "a table name has no end", names);
}

// Where the description block starts and the length it gives itself (not
// yet checked against the file).
bool readDescriptionHeader(PrgSource &src, qint32 &offset, qint32 &length)
{
    if (!src.readInt32(PRGFileReader::DescriptionOffsetPos, false, offset)) {
        src.damaged("the header is cut short");
        return false;
    }
    if (!src.readInt32(offset, false, length)) {
        src.damaged("the description block lies outside the file");
        return false;
    }
    return true;
}

} // namespace

PRGFileReader::PRGFileReader()
{
    ecuDir = QDir(QStringLiteral("./ecu")).exists() ? QStringLiteral("./ecu") : defaultFallbackDirectory();
}

QString PRGFileReader::defaultFallbackDirectory()
{
    return QStringLiteral("ediabas/ecu");
}

QString PRGFileReader::pathOf(const QString &fileName) const
{
    return FileLookup::resolve(ecuDir, fileName);
}

QString PRGFileReader::readDescriptionBlock(const QString &fileName)
{
    PrgSource src(pathOf(fileName), fileName);
    qint32 offset = 0, length = 0;
    if (!src.open() || !readDescriptionHeader(src, offset, length))
        return QString();
    QByteArray text;
    if (length < 0 || !src.readBytes(qint64(offset) + 4, length, text, true)) {
        src.damaged("the description length does not fit the file");
        return QString();
    }
    const int end = text.indexOf('\0');
    return QString::fromLatin1(text.constData(), end < 0 ? text.size() : end);
}

QString PRGFileReader::readDescriptionText(const QString &fileName)
{
    PrgSource src(pathOf(fileName), fileName);
    qint32 offset = 0, length = 0;
    if (!src.open() || !readDescriptionHeader(src, offset, length))
        return QString();
    if (length < 0 || !src.fits(qint64(offset) + 4, length)) {
        src.damaged("the description length does not fit the file");
        return QString();
    }
    // Up to and with the first byte stored as 0xFD (a line end), or to the
    // end of the file; a byte that descrambles to 0 ends the text as well.
    QByteArray text;
    qint64 pos = qint64(offset) + 4;
    char chunk[4096];
    while (pos < src.fileSize()) {
        const qint64 n = qMin<qint64>(sizeof chunk, src.fileSize() - pos);
        if (!src.readAt(pos, chunk, n)) {
            src.damaged("the description text cannot be read");
            return QString();
        }
        for (qint64 i = 0; i < n; ++i) {
            const quint8 stored = quint8(chunk[i]);
            const char c = char(stored ^ ScrambleByte);
            if (c == 0)
                return QString::fromLatin1(text);
            text.append(c);
            if (stored == 0xFD)
                return QString::fromLatin1(text);
        }
        pos += n;
    }
    return QString::fromLatin1(text);
}

QStringList PRGFileReader::tableNames(const QString &fileName)
{
    PrgSource src(pathOf(fileName), fileName);
    if (!src.open())
        return QStringList();
    QStringList names;
    QByteArray entries;
    if (!readDirectory(src, "", names, entries))
        return QStringList();
    return names;
}

QStringList PRGFileReader::jobNames(const QString &fileName)
{
    PrgSource src(pathOf(fileName), fileName);
    if (!src.open())
        return QStringList();
    qDebug() << "file pos: " << JobListOffsetPos;
    qint32 offset = 0, count = 0;
    if (!src.readInt32(JobListOffsetPos, false, offset)) {
        src.damaged("the header is cut short");
        return QStringList();
    }
    qDebug() << "joblistoffset=" << offset;
    if (!src.readInt32(offset, false, count)) {
        src.damaged("the job list lies outside the file");
        return QStringList();
    }
    const qint64 bytes = qint64(count) * JobEntrySize;
    QByteArray entries;
    if (count < 0 || !src.readBytes(qint64(offset) + 4, bytes, entries, true)) {
        src.damaged("the job count does not fit the file");
        return QStringList();
    }
    QStringList names;
    if (!namesFromEntries(src, entries, count, JobEntrySize, "a job name has no end", names))
        return QStringList();
    return names;
}

PRGTable *PRGFileReader::readTable(const QString &fileName, const QString &tableName)
{
    PrgSource src(pathOf(fileName), fileName);
    if (!src.open())
        return nullptr;
    QStringList names;
    QByteArray entries;
    if (!readDirectory(src, "readTable: ", names, entries))
        return nullptr;

    int index = -1;
    for (int i = 0; i < names.size(); ++i) {
        if (tableName.isEmpty()) {
            qDebug() << "tableName==NULL";
            continue;
        }
        if (names.at(i) == tableName) {
            index = i;
            break;
        }
    }
    if (index < 0)
        return nullptr;

    const char *entry = entries.constData() + qint64(index) * TableEntrySize;
    const qint32 dataOffset = PrgSource::littleEndian(entry + 64);
    const qint32 columns = PrgSource::littleEndian(entry + 72);
    const qint32 rows = PrgSource::littleEndian(entry + 76);
    // Every cell takes at least its end byte, so a table cannot hold more
    // cells than the bytes behind its start.
    const qint64 cells = (qint64(rows) + 1) * qint64(columns);
    if (columns <= 0 || rows < 0 || !src.fits(dataOffset, 0) || cells > src.fileSize() - dataOffset) {
        src.damaged(qPrintable(QStringLiteral("table %1 has a bad size or position").arg(tableName)));
        return nullptr;
    }

    QByteArray text;
    char chunk[8192];
    qint64 chunkPos = dataOffset, chunkLen = 0, chunkAt = 0;
    const QByteArray cantRead = "can't read table data, " + tableName.toLatin1();
    for (qint64 r = 0; r <= rows; ++r) {
        for (qint32 c = 0; c < columns; ++c) {
            int cellBytes = 0;
            for (;;) {
                if (chunkAt == chunkLen) {
                    chunkPos += chunkLen;
                    chunkLen = qMin<qint64>(sizeof chunk, src.fileSize() - chunkPos);
                    chunkAt = 0;
                    if (chunkLen <= 0 || !src.readAt(chunkPos, chunk, chunkLen)) {
                        src.damaged(cantRead.constData());
                        return nullptr;
                    }
                }
                const char ch = char(quint8(chunk[chunkAt++]) ^ ScrambleByte);
                if (ch == 0)
                    break;
                if (++cellBytes >= MaxCellBytes) {
                    src.damaged(qPrintable(QStringLiteral("a cell of table %1 is longer than %2 bytes")
                                               .arg(tableName).arg(MaxCellBytes - 1)));
                    return nullptr;
                }
                text.append(ch);
            }
            if (text.size() >= PrgSource::MaxBlock) {
                src.damaged(qPrintable(QStringLiteral("table %1 is too large").arg(tableName)));
                return nullptr;
            }
            text.append('\t');
        }
        // Only the TAB appended above goes; the cell text stays whole.
        if (text.endsWith('\t'))
            text.chop(1);
        text.append('\n');
    }

    PRGTable *table = new PRGTable;
    table->rows = rows;
    table->columns = columns;
    table->tableName = tableName;
    table->text = QString::fromLatin1(text);
    table->fileName = fileName;
    return table;
}

int PRGFileReader::nameColumn(bool longName, const QString &tableName, const QStringList &columnNames)
{
    QString column;
    if (tableName == QLatin1String("BETRIEBSWTAB"))
        column = longName ? QStringLiteral("LNAME") : QStringLiteral("NAME");
    else if (tableName == QLatin1String("MESSWERTETAB") || tableName == QLatin1String("SG_FUNKTIONEN"))
        column = longName ? QStringLiteral("INFO") : QStringLiteral("RESULTNAME");
    else
        return -1;
    return columnNames.indexOf(column);
}
