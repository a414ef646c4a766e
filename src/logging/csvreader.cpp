#include "csvreader.h"
#include "csvjobparser.h"
#include "csvtext.h"

#include <QFileInfo>
#include <algorithm>

namespace {
// The header and the first data line of a text log hold no control bytes
// but tab and the line ends (a binary file, UTF-16 text with its NUL bytes,
// do). Later lines are not judged: a crash may leave NUL bytes at the end
// of a log whose whole rows are still worth reading.
bool looksLikeText(const char *b, const char *e)
{
    const char *end = e;
    if (const char *nl = static_cast<const char *>(std::memchr(b, '\n', size_t(e - b)))) {
        const char *second = static_cast<const char *>(std::memchr(nl + 1, '\n', size_t(e - nl - 1)));
        end = second ? second : e;
    }
    for (const char *p = b; p < end; ++p) {
        const unsigned char c = static_cast<unsigned char>(*p);
        if (c < 0x20 && c != '\t' && c != '\r' && c != '\n')
            return false;
    }
    return true;
}
} // namespace

CSVReader::CSVReader()
    : m_log(KelvoLog::get("CSVReader"))
{
}

bool CSVReader::load(const QString &fileName)
{
    m_fileName = fileName;
    m_index.clear();
    m_wrapRows.clear();
    m_wrapOffsets.clear();
    m_startTime = 0;
    m_error.clear();
    m_warnings.clear();
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
                m_index.append(lineStart);
            }
            lineStart = at + 1;
        }
        pos += got;
        if (headerEnd < 0 && (pos > CSVText::MaxHeaderBytes || std::memchr(b, 0, size_t(got)) != nullptr))
            return fail(QStringLiteral("\"%1\": not a text log").arg(fileName));
    }
    // The end entry: where the whole lines end.
    const qint64 end = headerEnd < 0 ? size : lineStart;
    m_index.append(end);
    if (m_file.size() > size) {
        m_warnings << QStringLiteral("still being written");
    } else if (headerEnd >= 0 && end < size) {
        m_warnings << QStringLiteral("last line incomplete");
    }
    for (const QString &w : qAsConst(m_warnings))
        LOG4CPLUS_WARN_FMT(m_log, "%s: %s", KELVO_QS(fileName), KELVO_QS(w));
    LOG4CPLUS_DEBUG_FMT(m_log, "indexed %d rows of %s", m_index.size() - 1, KELVO_QS(fileName));
    return true;
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
    const qint64 length = m_index[row + 1] - from;
    if (length > CSVText::MaxLineBytes || !m_file.seek(from))
        return false;
    QByteArray bytes = m_file.read(length);
    if (bytes.size() != length)
        return false;
    if (bytes.endsWith('\n'))
        bytes.chop(1);
    if (bytes.endsWith('\r'))
        bytes.chop(1);
    out = QString::fromLatin1(bytes);
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
        if (whole && CSVText::split(b, e, sep, cells) == fields) {
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
