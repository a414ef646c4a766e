#include "csvlogloader.h"
#include "csvtext.h"

#include <QFile>
#include <vector>

bool CSVLogLoader::load(const QString &fileName, Sink &sink)
{
    m_error.clear();
    m_messages.clear();
    m_startTime = 0;
    if (!m_reader.load(fileName, m_parser)) {
        m_error = m_reader.errorString();
        return false;
    }
    m_messages << m_parser.warnings() << m_reader.warnings();

    const QList<JobInfo> columns = m_parser.resultOrder();
    const int columnCount = columns.size();
    std::vector<int> columnField(static_cast<size_t>(columnCount));
    for (int s = 0; s < columnCount; ++s)
        columnField[size_t(s)] = columns[s].column;
    const int fields = m_parser.fieldCount();
    const QByteArray separator = m_parser.separator().toLatin1();
    const char sep = separator.isEmpty() ? ';' : separator.at(0);
    const qint64 lines = m_reader.rowCount() - 1;

    QMap<int, qint64> skippedByWidth;
    qint64 overlong = 0;
    qint64 withNul = 0;
    bool begun = false;
    CSVDayUnwrap days;
    std::vector<CSVText::Field> cells;
    cells.reserve(size_t(fields) + 1);

    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly)) {
        m_error = QStringLiteral("cannot open \"%1\": %2").arg(fileName, file.errorString());
        return false;
    }
    const bool read = CSVText::forEachLine(
        file, m_reader.rowOffset(0), m_reader.rowOffset(int(lines)), [&](const char *b, const char *e, bool whole) {
            if (!whole) {
                ++overlong;
                return true;
            }
            const int n = CSVText::splitRow(b, e, sep, cells);
            if (n < 0) {
                ++withNul;
                return true;
            }
            if (n != fields) {
                ++skippedByWidth[n];
                return true;
            }
            bool timeOfDay = false;
            const qint64 raw = CSVText::readTime(cells[0].begin, cells[0].end, timeOfDay);
            if (!begun) {
                m_startTime = raw < CSVText::DayMs ? 0 : raw;
                sink.begin(columns, lines, m_startTime);
                begun = true;
            }
            const qint64 time = days.apply(raw, timeOfDay);
            for (int s = 0; s < columnCount; ++s) {
                const CSVText::Field &f = cells[size_t(columnField[size_t(s)])];
                double value;
                if (CSVText::readNumber(f.begin, f.end, value) == CSVText::Number)
                    sink.cell(s, time, value);
            }
            return true;
        });
    if (!begun)
        sink.begin(columns, 0, 0);
    if (!read)
        m_messages << QStringLiteral("read error: %1").arg(file.errorString());
    for (auto it = skippedByWidth.cbegin(); it != skippedByWidth.cend(); ++it)
        m_messages << QStringLiteral("%1 rows skipped: %2 fields, header names %3").arg(it.value()).arg(it.key()).arg(fields);
    if (withNul > 0)
        m_messages << QStringLiteral("%1 rows skipped: NUL bytes").arg(withNul);
    if (overlong > 0)
        m_messages << QStringLiteral("%1 rows skipped: longer than %2 MiB").arg(overlong).arg(CSVText::MaxLineBytes >> 20);
    if (lines == 0)
        m_messages << QStringLiteral("empty log");
    return true;
}
