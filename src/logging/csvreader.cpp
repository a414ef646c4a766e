#include "csvreader.h"
#include "csvjobparser.h"
#include "csvtext.h"

#include <QDateTime>
#include <QFileInfo>
#include <algorithm>

namespace {
// A log that grew while it was read, or was written this recently, is
// taken to be still being written: a logger adds a line every few hundred
// milliseconds, too seldom to be caught growing during a read of a few.
const qint64 RecentWriteMs = 2000;

bool control(unsigned char c)
{
    return c < 0x20 && c != '\t' && c != '\r' && c != '\n';
}

// The header of a text log holds no control bytes but tab and the line end
// (a binary file, UTF-16 text with its NUL bytes, do). The first data line
// may carry one inside a cell (a logged text), but only in a line of cells:
// a binary file's second "line" seldom holds a separator. Later lines are
// not judged: a crash may leave NUL bytes at the end of a log whose whole
// rows are still worth reading.
bool looksLikeText(const char *b, const char *e)
{
    const char *nl = static_cast<const char *>(std::memchr(b, '\n', size_t(e - b)));
    const char *headerEnd = nl ? nl : e;
    if (std::find_if(b, headerEnd, [](char c) { return control(static_cast<unsigned char>(c)); }) != headerEnd)
        return false;
    if (!nl)
        return true;
    const char *first = nl + 1;
    const char *second = static_cast<const char *>(std::memchr(first, '\n', size_t(e - first)));
    const char *end = second ? second : e;
    const bool hasControl
        = std::find_if(first, end, [](char c) { return control(static_cast<unsigned char>(c)); }) != end;
    const bool hasCells = std::find_if(first, end, [](char c) { return c == ';' || c == ',' || c == '\t'; }) != end;
    return !hasControl || hasCells;
}
} // namespace

CSVReader::CSVReader()
    : m_log(KelvoLog::get("CSVReader"))
{
}

bool CSVReader::load(const QString &fileName)
{
    if (!index(fileName))
        return false;
    finish(nullptr);
    return true;
}

bool CSVReader::load(const QString &fileName, CSVJobParser &parser)
{
    if (!index(fileName))
        return false;
    parser.loadColumns(fileName, readHeader());
    finish(&parser);
    return true;
}

bool CSVReader::index(const QString &fileName)
{
    m_fileName = fileName;
    m_index.clear();
    m_wrapRows.clear();
    m_wrapOffsets.clear();
    m_startTime = 0;
    m_error.clear();
    m_warnings.clear();
    m_tailEnd = -1;
    if (m_file.isOpen())
        m_file.close();

    auto fail = [this](const QString &why) {
        m_error = why;
        m_index.clear();
        m_file.close();
        LOG4CPLUS_WARN_FMT(m_log, "%s", KELVO_QS(why));
        return false;
    };
    if (QFileInfo(fileName).isDir())
        return fail(QStringLiteral("\"%1\" is a directory").arg(fileName));
    m_file.setFileName(fileName);
    if (!m_file.open(QIODevice::ReadOnly))
        return fail(QStringLiteral("cannot open \"%1\": %2").arg(fileName, m_file.errorString()));

    // What is there now is read; what a writer adds meanwhile is not.
    const qint64 size = m_file.size();
    std::vector<char> buffer(size_t(std::min<qint64>(CSVText::BlockBytes, std::max<qint64>(size, 1))));
    qint64 pos = 0;
    qint64 headerEnd = -1;
    qint64 lineStart = 0;
    char lastByte = 0; // of the block before
    while (pos < size) {
        const qint64 got = m_file.read(buffer.data(), std::min<qint64>(qint64(buffer.size()), size - pos));
        if (got <= 0)
            return fail(QStringLiteral("cannot read \"%1\": %2").arg(fileName, m_file.errorString()));
        const char *b = buffer.data();
        const char *e = b + got;
        if (pos == 0 && !looksLikeText(b, e))
            return fail(QStringLiteral("\"%1\": not a text log").arg(fileName));
        for (const char *p = b; const char *nl = static_cast<const char *>(std::memchr(p, '\n', size_t(e - p)));
             p = nl + 1) {
            const qint64 at = pos + (nl - b);
            if (headerEnd < 0) {
                // Text logs carry no NUL byte (UTF-16 text has one in every
                // ASCII character), and their header is a line of sane size.
                if (at > CSVText::MaxHeaderBytes || std::memchr(b, 0, size_t(nl - b)) != nullptr)
                    return fail(QStringLiteral("\"%1\": not a text log").arg(fileName));
                headerEnd = at + 1;
            } else {
                // A blank line ("" or "\r") is no row.
                const qint64 length = at - lineStart;
                const char before = nl > b ? nl[-1] : lastByte;
                if (!(length == 0 || (length == 1 && before == '\r')))
                    m_index.append(lineStart);
            }
            lineStart = at + 1;
        }
        pos += got;
        lastByte = e[-1];
        if (headerEnd < 0 && (pos > CSVText::MaxHeaderBytes || std::memchr(b, 0, size_t(got)) != nullptr))
            return fail(QStringLiteral("\"%1\": not a text log").arg(fileName));
    }
    // The end entry: where the whole lines end.
    const qint64 end = headerEnd < 0 ? size : lineStart;
    m_index.append(end);
    // A last line without its line end; "\r" alone is a blank line.
    m_tailEnd = headerEnd >= 0 && end < size && !(size - end == 1 && lastByte == '\r') ? size : -1;
    const QDateTime written = m_file.fileTime(QFileDevice::FileModificationTime);
    const qint64 age = written.isValid() ? written.msecsTo(QDateTime::currentDateTime()) : RecentWriteMs;
    if (m_file.size() > size || (age > -RecentWriteMs && age < RecentWriteMs)) {
        // The rows up to the last whole line; a last line without its end
        // may be a line half written.
        m_warnings << QStringLiteral("still being written");
        m_tailEnd = -1;
    }
    LOG4CPLUS_DEBUG_FMT(m_log, "indexed %d rows of %s", m_index.size() - 1, KELVO_QS(fileName));
    return true;
}

void CSVReader::finish(const CSVJobParser *parser)
{
    if (m_tailEnd >= 0) {
        // An editor or a script may save the last line without its line
        // end: a line with every field of a row is that row; a shorter one
        // was cut.
        const qint64 from = m_index.last();
        QByteArray tail;
        if (parser && m_tailEnd - from <= CSVText::MaxLineBytes && m_file.seek(from))
            tail = m_file.read(m_tailEnd - from);
        const QByteArray sep = parser ? parser->separator().toLatin1() : QByteArray();
        std::vector<CSVText::Field> fields;
        const char *b = tail.constData();
        if (parser && tail.size() == m_tailEnd - from
            && CSVText::splitRow(b, CSVText::chopCR(b, b + tail.size()), sep.isEmpty() ? ';' : sep.at(0), fields)
                == parser->fieldCount()) {
            m_index.append(m_tailEnd);
        } else {
            m_warnings << QStringLiteral("last line incomplete");
        }
        m_tailEnd = -1;
    }
    for (const QString &w : qAsConst(m_warnings))
        LOG4CPLUS_WARN_FMT(m_log, "%s: %s", KELVO_QS(m_fileName), KELVO_QS(w));
}

qint64 CSVReader::rowOffset(int row) const
{
    if (row < 0 || row >= m_index.size())
        return -1;
    return m_index[row];
}

bool CSVReader::getRow(int row, QString &out)
{
    out.clear();
    LOG4CPLUS_DEBUG_FMT(m_log, "> getRow:%d", row);
    // The end entry (and any row not in the index) reads as an empty line.
    if (row < 0 || row >= m_index.size() - 1 || !m_file.isOpen())
        return false;
    const qint64 from = m_index[row];
    // The range runs to the next row: blank lines after this one are in it.
    const qint64 length = std::min<qint64>(m_index[row + 1] - from, CSVText::MaxLineBytes + 2);
    if (!m_file.seek(from))
        return false;
    QByteArray bytes = m_file.read(length);
    if (bytes.size() != length)
        return false;
    const int nl = bytes.indexOf('\n');
    if (nl >= 0)
        bytes.truncate(nl);
    else if (from + length < m_index[row + 1])
        return false; // longer than any row is read
    if (bytes.endsWith('\r'))
        bytes.chop(1);
    // Every byte, NUL included (the parser refuses such a row, as the whole
    // read does).
    out = QString::fromLatin1(bytes.constData(), bytes.size());
    LOG4CPLUS_DEBUG_FMT(m_log, "< getRow:%d:%s", row, bytes.constData());
    return true;
}

QString CSVReader::getRow(int row)
{
    QString line;
    getRow(row, line);
    return line;
}

QString CSVReader::readHeader() const
{
    QFile file(m_fileName);
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    const QByteArray head = file.read(CSVText::MaxHeaderBytes + 3);
    const char *b = head.constData();
    const char *e = b + head.size();
    const char *nl = static_cast<const char *>(std::memchr(b, '\n', size_t(head.size())));
    if (nl)
        e = nl;
    const char *start = CSVText::skipBom(b, e);
    e = CSVText::chopCR(start, e);
    // A byte order mark says the names are UTF-8; the logger writes Latin-1.
    if (start != b)
        return QString::fromUtf8(start, int(e - start));
    return QString::fromLatin1(start, int(e - start));
}

void CSVReader::indexTimes(const CSVJobParser &parser)
{
    m_wrapRows.clear();
    m_wrapOffsets.clear();
    m_startTime = 0;
    if (m_index.size() < 2 || !m_file.isOpen())
        return;
    const QByteArray separator = parser.separator().toLatin1();
    const char sep = separator.isEmpty() ? ';' : separator.at(0);
    const int fields = parser.fieldCount();
    std::vector<CSVText::Field> cells;
    CSVDayUnwrap days;
    bool first = true;
    int row = 0;
    CSVText::forEachLine(m_file, m_index.first(), m_index.last(), [&](const char *b, const char *e, bool whole) {
        if (whole && CSVText::splitRow(b, e, sep, cells) == fields) {
            bool timeOfDay = false;
            const qint64 t = CSVText::readTime(cells[0].begin, cells[0].end, timeOfDay);
            if (first) {
                m_startTime = t < CSVText::DayMs ? 0 : t;
                first = false;
            }
            const qint64 before = days.offset();
            days.apply(t, timeOfDay);
            if (days.offset() != before) {
                m_wrapRows.append(row);
                m_wrapOffsets.append(days.offset());
            }
        }
        ++row;
        return true;
    });
}

qint64 CSVReader::dayOffset(int row) const
{
    const auto it = std::upper_bound(m_wrapRows.cbegin(), m_wrapRows.cend(), row);
    if (it == m_wrapRows.cbegin())
        return 0;
    return m_wrapOffsets[int(it - m_wrapRows.cbegin()) - 1];
}
