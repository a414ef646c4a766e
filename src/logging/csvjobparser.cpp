#include "csvjobparser.h"
#include "csvtext.h"
#include "exponenttext.h"
#include "latin1.h"
#include "translationmgr.h"

#include <QDebug>
#include <QDomDocument>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <algorithm>

namespace {
const char DummyEcu[] = "DUMMYECU";
const char DummyJob[] = "DUMMYJOB";
const char MarkerName[] = "MARKER";

// A header's names: split as rows are (quotes and all), UTF-8 in and out.
QStringList headerNames(const QString &header, QChar separator)
{
    if (header.isEmpty())
        return QStringList();
    const QByteArray bytes = header.toUtf8();
    std::vector<CSVText::Field> fields;
    CSVText::split(bytes.constData(), bytes.constData() + bytes.size(), char(separator.toLatin1()), fields);
    QStringList names;
    names.reserve(int(fields.size()));
    for (const CSVText::Field &f : fields) {
        QString name = QString::fromUtf8(f.begin, int(f.end - f.begin));
        name.replace(QStringLiteral("\"\""), QStringLiteral("\""));
        names << name;
    }
    return names;
}
} // namespace

CSVJobParser::CSVJobParser()
    : m_log(KelvoLog::get("CSVReader")),
      m_translations(TranslationMgr::instance())
{
}

bool CSVJobParser::loadColumns(const QString &csvFile, const QString &header)
{
    m_warnings.clear();
    m_separatorFromSideFile = false;
    const QString info = csvFile + QStringLiteral(".info");
    bool fromSideFile = false;
    if (QFileInfo::exists(info)) {
        fromSideFile = loadJobsInfoFromFile(info);
        if (!fromSideFile)
            m_warnings << QStringLiteral("side file \"%1\" unusable, columns taken from the header")
                              .arg(QFileInfo(info).fileName());
    } else {
        LOG4CPLUS_INFO_FMT(m_log, "FILE NOT FOUND: %s", KELVO_QS(QFileInfo(info).absoluteFilePath()));
    }
    if (!fromSideFile) {
        setColumnsFromHeader(header);
    } else {
        if (!m_separatorFromSideFile)
            m_separator = detectSeparator(header);
        QStringList names = headerNames(header, m_separator.at(0));
        // A spreadsheet that saved the log again wrote it with a separator
        // of its own and kept the side file: where the side file's one finds
        // none of its columns in the header, the header's own separator
        // holds, as without a side file; the side file still names the
        // columns the header names.
        const QChar own = detectSeparator(header);
        if (m_separatorFromSideFile && !names.isEmpty() && own != m_separator.at(0) && !namesAnyColumn(names)) {
            auto shown = [](QChar c) { return c == QLatin1Char('\t') ? QStringLiteral("tab") : QString(c); };
            m_warnings << QStringLiteral("side file \"%1\" separator \"%2\" does not split the header: read with \"%3\"")
                              .arg(QFileInfo(info).fileName(), shown(m_separator.at(0)), shown(own));
            m_separator = QString(own);
            names = headerNames(header, own);
        }
        m_headerFields = names.size();
        // A log whose first line is not written yet has only its side file.
        if (!names.isEmpty())
            matchHeader(names, QFileInfo(info).fileName());
        else
            refreshOrder();
    }
    for (const QString &w : qAsConst(m_warnings))
        LOG4CPLUS_WARN_FMT(m_log, "%s: %s", KELVO_QS(csvFile), KELVO_QS(w));
    return fromSideFile;
}

bool CSVJobParser::namesAnyColumn(const QStringList &names) const
{
    for (auto it = m_columns.cbegin(); it != m_columns.cend(); ++it) {
        if (names.indexOf(it.value().sideFileName, 1) >= 1)
            return true;
    }
    return false;
}

void CSVJobParser::matchHeader(const QStringList &names, const QString &sideFile)
{
    // The header is what the rows hold: a column removed or moved by hand
    // leaves the side file behind, and its names would then go to other
    // columns' values. A side-file column is read where the header names
    // it: at its own number, else at the one place the header has that
    // name; a header column the side file does not name is read under the
    // header's name, as without a side file.
    const int fields = names.size();
    const bool marker = fields > 1 && names.last() == QLatin1String(MarkerName);
    std::vector<bool> taken(size_t(fields), false);
    QHash<int, JobInfo> table;
    QList<JobInfo> unplaced;
    for (auto it = m_columns.cbegin(); it != m_columns.cend(); ++it) {
        const int k = it.key();
        if (k >= 1 && k < fields && names[k] == it.value().sideFileName) {
            JobInfo info = it.value();
            info.column = k;
            table.insert(k, info);
            taken[size_t(k)] = true;
        } else {
            unplaced.append(it.value());
        }
    }
    std::sort(unplaced.begin(), unplaced.end(), [](const JobInfo &a, const JobInfo &b) { return a.column < b.column; });
    // Where the header still has each name free, and how many unplaced
    // columns want it: only a name both have once places a column.
    QHash<QString, QList<int>> freeFields;
    for (int i = fields - 1; i >= 1; --i) {
        if (!taken[size_t(i)])
            freeFields[names[i]].append(i);
    }
    QHash<QString, int> wanted;
    for (const JobInfo &info : qAsConst(unplaced))
        ++wanted[info.sideFileName];
    int moved = 0;
    QStringList leftOut;
    for (const JobInfo &info : qAsConst(unplaced)) {
        const QList<int> at = freeFields.value(info.sideFileName);
        if (at.size() == 1 && wanted.value(info.sideFileName) == 1) {
            JobInfo placed = info;
            placed.column = at.first();
            table.insert(placed.column, placed);
            taken[size_t(placed.column)] = true;
            ++moved;
        } else {
            leftOut << QStringLiteral("%1 (%2)").arg(info.column).arg(info.sideFileName);
        }
    }
    const QStringList unique = uniqueNames(names);
    QStringList fromHeader;
    for (int i = 1; i < fields; ++i) {
        if (taken[size_t(i)] || (marker && i == fields - 1))
            continue;
        table.insert(i, JobInfo(i, CJob(DummyEcu, DummyJob), unique[i], unique[i]));
        fromHeader << QStringLiteral("%1 (%2)").arg(i).arg(names[i]);
    }
    if (moved > 0 || !leftOut.isEmpty() || !fromHeader.isEmpty())
        m_warnings << QStringLiteral("side file \"%1\" does not match the header").arg(sideFile);
    if (moved > 0)
        m_warnings << QStringLiteral("%1 side file columns read where the header names them").arg(moved);
    // A handful named, more counted: the messages stand over the plot.
    auto columnList = [](const QStringList &list) {
        return list.size() <= 5 ? list.join(QStringLiteral(", ")) : QStringLiteral("%1 columns").arg(list.size());
    };
    if (!leftOut.isEmpty())
        m_warnings << QStringLiteral("side file columns not in the header, left out: %1").arg(columnList(leftOut));
    if (!fromHeader.isEmpty())
        m_warnings << QStringLiteral("header columns not in the side file, read under the header's names: %1")
                          .arg(columnList(fromHeader));
    takeColumns(table);
}

bool CSVJobParser::loadJobsInfoFromFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        qWarning() << "FILE NOT FOUND:" << QFileInfo(path).absoluteFilePath();
        return false;
    }
    m_sideFileLoaded = true;
    QDomDocument doc;
    QString error;
    int line = 0;
    int column = 0;
    if (!doc.setContent(&file, &error, &line, &column)) {
        LOG4CPLUS_WARN_FMT(m_log, "side file %s does not parse: %s (line %d, column %d)", KELVO_QS(path),
                           KELVO_QS(error), line, column);
        return false;
    }
    const QDomElement root = doc.documentElement();
    LOG4CPLUS_DEBUG_FMT(m_log, "root:%s", KELVO_QS(root.tagName()));

    const QDomNodeList separators = root.elementsByTagName(QStringLiteral("CSVSeparator"));
    QString separator;
    if (separators.count() == 1) {
        const QString text = separators.at(0).toElement().text();
        if (text.size() == 1 && text.at(0).unicode() < 128 && text != QStringLiteral("\"")
            && text != QStringLiteral("\n") && text != QStringLiteral("\r"))
            separator = text;
    }

    QHash<int, JobInfo> table;
    const QDomNodeList columns = root.elementsByTagName(QStringLiteral("column"));
    for (int i = 0; i < columns.count(); ++i) {
        int number = 0;
        CJob job;
        QString resultName;
        for (QDomElement child = columns.at(i).firstChildElement(); !child.isNull();
             child = child.nextSiblingElement()) {
            const QString tag = child.tagName();
            const QString text = child.text();
            if (tag == QLatin1String("number")) {
                bool ok = false;
                number = text.trimmed().toInt(&ok);
                if (!ok)
                    number = 0;
            } else if (tag == QLatin1String("ecu")) {
                job.ecuName = Latin1::toStd(text);
            } else if (tag == QLatin1String("jobname")) {
                job.jobName = Latin1::toStd(text);
            } else if (tag == QLatin1String("virtualname")) {
                job.virtualName = Latin1::toStd(text);
            } else if (tag == QLatin1String("resultname")) {
                resultName = text;
            }
        }
        QString translated = resultName;
        if (m_translateResultNames && m_translations && !resultName.isEmpty()) {
            const QString text = m_translations->lookup(RES_L, Latin1::toStd(resultName));
            if (!text.trimmed().isEmpty())
                translated = text;
        }
        table.insert(number, JobInfo(number, job, translated, resultName));
    }
    if (table.isEmpty()) {
        LOG4CPLUS_WARN_FMT(m_log, "side file %s names no column", KELVO_QS(path));
        return false;
    }
    if (!separator.isEmpty()) {
        m_separator = separator;
        m_separatorFromSideFile = true;
    }
    LOG4CPLUS_INFO_FMT(m_log, "csvSeparator: %s", KELVO_QS(m_separator));
    takeColumns(table);
    QStringList keys;
    for (int key : table.keys())
        keys << QString::number(key);
    LOG4CPLUS_DEBUG_FMT(m_log, "columns: %s", KELVO_QS(keys.join(QLatin1Char(','))));
    return true;
}

QChar CSVJobParser::detectSeparator(const QString &header)
{
    const QString candidates = QStringLiteral(";,\t");
    if (header.startsWith(QLatin1String("time"), Qt::CaseInsensitive) && header.size() > 4
        && candidates.contains(header.at(4)))
        return header.at(4);
    QChar best = QLatin1Char(';');
    int bestCount = 0;
    for (const QChar c : candidates) {
        const int n = header.count(c);
        if (n > bestCount) {
            best = c;
            bestCount = n;
        }
    }
    return best;
}

QStringList CSVJobParser::uniqueNames(QStringList names)
{
    // Where every name but the first occurrence has to move on, the scan
    // makes n * n / 2 changes; beyond a sane number a plain count suffix
    // keeps a hostile header from taking minutes.
    const int budget = 20000;
    const QStringList original = names;
    QHash<QString, QList<int>> at;
    for (int i = 0; i < names.size(); ++i)
        at[names[i]].append(i);
    // k equal names need at least 0 + 1 + ... + (k - 1) changes to part:
    // where that alone spends the budget, the scan is not even begun.
    int changes = 0;
    for (auto it = at.cbegin(); it != at.cend() && changes < budget; ++it) {
        const qint64 k = it.value().size();
        if (k * (k - 1) / 2 >= budget)
            changes = budget;
    }
    int p = 0;
    while (p < names.size() && changes < budget) {
        QList<int> &same = at[names[p]];
        if (same.size() <= 1) {
            ++p;
            continue;
        }
        same.removeOne(p);
        names[p] += QLatin1Char('_');
        QList<int> &now = at[names[p]];
        now.append(p);
        ++changes;
        // Names before p were all unique; only one equal to the new name
        // can repeat now, and the scan starts over at the first of them.
        const int first = *std::min_element(now.cbegin(), now.cend());
        if (first < p)
            p = first;
    }
    if (changes < budget)
        return names;
    names = original;
    QSet<QString> used(original.cbegin(), original.cend());
    QHash<QString, int> seen;
    for (int i = 0; i < names.size(); ++i) {
        int &n = seen[original[i]];
        if (n++ == 0)
            continue;
        QString candidate;
        int k = n - 1;
        do {
            candidate = original[i] + QLatin1Char('_') + QString::number(k++);
        } while (used.contains(candidate));
        used.insert(candidate);
        names[i] = candidate;
    }
    return names;
}

void CSVJobParser::setColumnsFromHeader(const QString &header)
{
    if (!m_separatorFromSideFile)
        m_separator = detectSeparator(header);
    const QStringList names = headerNames(header, m_separator.at(0));
    m_headerFields = names.size();
    LOG4CPLUS_DEBUG_FMT(m_log, "first row:%s", KELVO_QS(header));
    const QStringList unique = uniqueNames(names);
    LOG4CPLUS_DEBUG_FMT(m_log, "result list:%s", KELVO_QS(unique.join(QLatin1Char(','))));
    QHash<int, JobInfo> table;
    for (int i = 1; i < unique.size(); ++i) {
        // The logger's marker column holds no result.
        if (i == names.size() - 1 && names[i] == QLatin1String(MarkerName))
            continue;
        const CJob job(DummyEcu, DummyJob);
        table.insert(i, JobInfo(i, job, unique[i], unique[i]));
        LOG4CPLUS_DEBUG_FMT(m_log, "jobInfo: col:%d,job:%s, result:%s", i, DummyJob, KELVO_QS(unique[i]));
    }
    takeColumns(table);
}

void CSVJobParser::setColumns(const QHash<int, JobInfo> &columns)
{
    takeColumns(columns);
}

void CSVJobParser::takeColumns(const QHash<int, JobInfo> &columns)
{
    m_columns = columns;
    m_columnCount = columns.size();
    refreshOrder();
}

int CSVJobParser::fieldCount() const
{
    return m_headerFields > 0 ? m_headerFields : m_columnCount + 1;
}

void CSVJobParser::refreshOrder()
{
    const int fields = fieldCount();
    QMap<int, JobInfo> byColumn;
    for (auto it = m_columns.cbegin(); it != m_columns.cend(); ++it) {
        const JobInfo &info = it.value();
        if (info.column >= 1 && info.column < fields && !info.resultName.isEmpty())
            byColumn.insert(info.column, info);
    }
    // Jobs in the order of their first column, each with its columns.
    QList<QList<JobInfo>> groups;
    for (const JobInfo &info : qAsConst(byColumn)) {
        bool placed = false;
        for (QList<JobInfo> &g : groups) {
            if (g.first().job == info.job) {
                g.append(info);
                placed = true;
                break;
            }
        }
        if (!placed)
            groups.append(QList<JobInfo>{info});
    }
    m_order.clear();
    for (const QList<JobInfo> &g : qAsConst(groups))
        m_order += g;
}

QList<CJob> CSVJobParser::parse(const QString &line, qint64 dayOffset) const
{
    const QByteArray bytes = line.toLatin1();
    std::vector<CSVText::Field> fields;
    const QByteArray sepBytes = m_separator.toLatin1();
    const char sep = sepBytes.isEmpty() ? ';' : sepBytes.at(0);
    const int n = CSVText::splitRow(bytes.constData(), bytes.constData() + bytes.size(), sep, fields);
    if (n != fieldCount()) {
        LOG4CPLUS_WARN_FMT(m_log, "cols size don't match: %d fields, %d expected", n, fieldCount());
        return QList<CJob>();
    }
    bool timeOfDay = false;
    const qint64 raw = CSVText::readTime(fields[0].begin, fields[0].end, timeOfDay);
    // Only a time of day goes on across midnight; a number (or a time that
    // does not read) stands as it is, as in the whole-log read.
    const qint64 time = timeOfDay ? raw + dayOffset : raw;

    QList<CJob> jobs;
    for (const JobInfo &info : m_order) {
        const CSVText::Field &cell = fields[size_t(info.column)];
        double value = 0.0;
        // An empty cell is a value this row does not have (the logger
        // leaves the other jobs' cells empty), not a 0.
        if (CSVText::readNumber(cell.begin, cell.end, value) == CSVText::Empty)
            continue;
        CJobResult result;
        result.name = Latin1::toStd(info.resultName);
        result.format = 8;
        result.realValue = value;
        // "%E" as every source writes it, whatever the locale's decimal
        // character.
        char text[32];
        ExponentText::write(value, text, sizeof text);
        result.setTextValue(text);
        int j = 0;
        while (j < jobs.size() && !(jobs[j] == info.job))
            ++j;
        if (j == jobs.size()) {
            CJob job = info.job;
            job.timeStamp = time;
            jobs.append(job);
        }
        jobs[j].addResult(result);
    }
    return jobs;
}

quint64 CSVJobParser::getTimeFromCol(const QString &text) const
{
    const QByteArray bytes = text.toLatin1();
    bool timeOfDay = false;
    return quint64(CSVText::readTime(bytes.constData(), bytes.constData() + bytes.size(), timeOfDay));
}
