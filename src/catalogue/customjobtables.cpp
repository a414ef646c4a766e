#include "customjobtables.h"

#include "jobargumentrules.h"
#include "kelvolog.h"
#include "latin1.h"
#include "prgfilereader.h"
#include "translationmgr.h"

#include <QDebug>
#include <QHash>
#include <QSet>
#include <QStringRef>

namespace {

// The lines of a table's text; the LF that ends the last line starts no
// line of its own.
QVector<QStringRef> linesOf(const QString &text)
{
    QVector<QStringRef> lines = text.splitRef(QLatin1Char('\n'), Qt::KeepEmptyParts);
    if (text.endsWith(QLatin1Char('\n')))
        lines.removeLast();
    return lines;
}

QVector<QStringRef> cellsOf(const QStringRef &line)
{
    return line.split(QLatin1Char('\t'), Qt::KeepEmptyParts);
}

QStringList toList(const QVector<QStringRef> &refs)
{
    QStringList list;
    list.reserve(refs.size());
    for (const QStringRef &r : refs)
        list << r.toString();
    return list;
}

// The table as the selector steps read it: its lines and column names.
struct Table
{
    explicit Table(const QString &text)
        : lines(linesOf(text))
    {
        if (!lines.isEmpty())
            header = toList(cellsOf(lines.first()));
    }

    // The selector a row's cell stands for: "0x" dropped when `hex`. Null
    // for a line with another cell count than the header, which is no row.
    QStringRef selectorCell(const QVector<QStringRef> &cells, int column, bool hex) const
    {
        if (cells.size() != header.size())
            return QStringRef();
        QStringRef cell = cells.at(column);
        if (hex && cell.startsWith(QLatin1String("0x")))
            cell = cell.mid(2);
        return cell;
    }

    QVector<QStringRef> lines;
    QStringList header;
};

// The browser's first row repeats the visible column names; only its long
// column differs, as it shows the translation of the header's own text.
bool isHeaderRow(const QStringList &visible, const QString &tableName, const QStringList &rowData)
{
    if (rowData.size() < visible.size())
        return false;
    const int longColumn = PRGFileReader::nameColumn(true, tableName, visible);
    for (int i = 0; i < visible.size(); ++i) {
        if (i != longColumn && rowData.at(i) != visible.at(i))
            return false;
    }
    return true;
}

log4cplus::Logger logger()
{
    return KelvoLog::get("customjobseditor");
}

} // namespace

const QStringList &CustomJobTables::hiddenColumnNames()
{
    static const QStringList names = {"L/H",  "MUL",       "DIV",        "ADD",  "TELEGRAM", "FACT_A",
                                      "FACT_B", "DATA_TYPE", "COMPU_TYPE", "BYTE", "ANZ",      "POS_ADR",
                                      "LEN_ADR", "VALUE",    "RANGE",      "MEAS", "MASK"};
    return names;
}

QString CustomJobTables::longOriginalColumn()
{
    return QStringLiteral("Long orig. descr.");
}

QString CustomJobTables::resultKey(const QString &shortName)
{
    if (shortName.startsWith(QLatin1String("STAT")))
        return shortName;
    return QStringLiteral("STAT_") + shortName + QStringLiteral("_WERT");
}

QStringList CustomJobTables::visibleColumns(const QStringList &header)
{
    QStringList visible;
    for (const QString &name : header) {
        if (!hiddenColumnNames().contains(name))
            visible << name;
    }
    return visible;
}

QStringList CustomJobTables::cells(const QString &line)
{
    return line.split(QLatin1Char('\t'), Qt::KeepEmptyParts);
}

CustomJobTables::Grid CustomJobTables::browserGrid(const QString &tableText, const QString &tableName,
                                                   const TranslationMgr *translations)
{
    Grid grid;
    const QVector<QStringRef> lines = linesOf(tableText);
    if (lines.isEmpty()) {
        grid.columnNames << longOriginalColumn();
        return grid;
    }
    const QVector<QStringRef> header = cellsOf(lines.first());
    const QSet<QString> hiddenNames(hiddenColumnNames().begin(), hiddenColumnNames().end());
    QVector<bool> hidden(header.size());
    int visibleCount = 0;
    for (int i = 0; i < header.size(); ++i) {
        hidden[i] = hiddenNames.contains(header.at(i).toString());
        visibleCount += hidden[i] ? 0 : 1;
    }

    grid.rows.reserve(lines.size());
    for (const QStringRef &line : lines) {
        const QVector<QStringRef> c = cellsOf(line);
        if (c.size() != header.size()) {
            qDebug() << "header - row data cols don't match!!,rowdata:" << line;
            ++grid.skippedLines;
            continue;
        }
        QStringList row;
        row.reserve(visibleCount + 1);
        for (int i = 0; i < c.size(); ++i) {
            if (!hidden[i])
                row << c.at(i).toString();
        }
        grid.rows << row;
    }

    // The header line always matches itself, so row 0 is there.
    grid.columnNames = grid.rows.first();
    grid.columnNames << longOriginalColumn();
    grid.shortColumn = PRGFileReader::nameColumn(false, tableName, grid.columnNames);
    grid.longColumn = PRGFileReader::nameColumn(true, tableName, grid.columnNames);
    LOG4CPLUS_DEBUG_FMT(logger(), "SHORT_RESULTNAME col:%d", grid.shortColumn);
    LOG4CPLUS_DEBUG_FMT(logger(), "LONG_DESCR: %d", grid.longColumn);

    const log4cplus::Logger log = logger();
    for (QStringList &row : grid.rows) {
        QString resultName;
        QString original;
        for (int c = 0; c < row.size(); ++c) {
            // Only a result name left of the long column is known by then.
            if (c == grid.shortColumn) {
                resultName = row.at(c);
            } else if (c == grid.longColumn) {
                original = row.at(c);
                const QString key = resultKey(resultName);
                row[c] = translations ? translations->lookup(RES_L, Latin1::toStd(key)) : QString();
                LOG4CPLUS_DEBUG_FMT(log, "result:%s -> item:%s", KELVO_QS(key), KELVO_QS(row.at(c)));
            }
        }
        row << original;
    }
    return grid;
}

QStringList CustomJobTables::selectorHeader()
{
    return {QStringLiteral("ID"), QStringLiteral("RESULT"), QStringLiteral("Global translation"),
            QStringLiteral("Info from table")};
}

CustomJobTables::SelectorRows CustomJobTables::selectorRows(const QString &tableText, const QString &tableName,
                                                            const QString &ecu, const QString &jobName,
                                                            const QString &arguments,
                                                            const TranslationMgr *translations)
{
    SelectorRows out;
    const JobArgumentRules rules;
    out.column = rules.getArgumentColumn(ecu, jobName, arguments);
    if (out.column.isEmpty()) {
        out.problem = QStringLiteral("tableArg NULL! %1 with the arguments '%2' has no selector column")
                          .arg(jobName, arguments);
        return out;
    }
    bool error = false;
    const QStringList selectors = rules.parseSelectors(jobName, arguments, &error);
    if (error) {
        out.problem = QStringLiteral("the arguments '%1' of %2 do not parse").arg(arguments, jobName);
        return out;
    }
    const Table table(tableText);
    out.columnIndex = table.header.indexOf(out.column);
    if (out.columnIndex < 0) {
        out.problem = QStringLiteral("table %1 has no column %2").arg(tableName, out.column);
        return out;
    }

    // The first row of each selector cell, in one pass: the first candidate
    // line whose cell equals the selector is the first such line at all.
    const bool hex = rules.getJobKind(jobName) == JobArgumentRules::MwSelectLesenNorm;
    QHash<QString, int> firstLine;
    QVector<QVector<QStringRef>> split(table.lines.size());
    // Line 0 is the header: its cells are column names, which no ECU takes
    // as a selector.
    for (int i = 1; i < table.lines.size(); ++i) {
        split[i] = cellsOf(table.lines.at(i));
        const QStringRef cell = table.selectorCell(split.at(i), out.columnIndex, hex);
        if (cell.isNull()) {
            ++out.skippedLines;
            continue;
        }
        const QString key = cell.toString();
        if (!firstLine.contains(key))
            firstLine.insert(key, i);
    }

    const int shortColumn = PRGFileReader::nameColumn(false, tableName, table.header);
    int infoColumn = table.header.indexOf(QStringLiteral("INFO"));
    if (infoColumn < 0)
        infoColumn = table.header.indexOf(QStringLiteral("RESULTNAME"));
    if (infoColumn < 0)
        infoColumn = table.header.size() - 1;

    out.rows.reserve(selectors.size());
    for (const QString &selector : selectors) {
        QStringList row;
        for (int c = 0; c < SelectorColumns; ++c)
            row << QString();
        const int line = selector.isEmpty() ? -1 : firstLine.value(selector, -1);
        if (line < 0) {
            // A line holding the selector elsewhere leaves the row empty; no
            // line holding it at all is said so.
            const bool candidate =
                !selector.isEmpty() && !selector.contains(QLatin1Char('\n')) && tableText.contains(selector);
            if (!candidate)
                row[IdColumn] = QStringLiteral("ARG '") + selector + QStringLiteral("' NOT FOUND IN TABLE");
            if (!out.unresolved.contains(selector))
                out.unresolved << selector;
            out.rows << row;
            continue;
        }
        const QVector<QStringRef> &c = split.at(line);
        row[IdColumn] = selector;
        row[ResultColumn] = c.first().toString();
        if (shortColumn >= 0 && translations)
            row[TranslationColumn] =
                translations->lookup(RES_L, Latin1::toStd(resultKey(c.at(shortColumn).toString())));
        row[InfoColumn] = c.at(infoColumn).toString();
        out.rows << row;
    }
    return out;
}

QString CustomJobTables::selectorOfRow(const QString &tableText, const QString &tableName, const QString &ecu,
                                       const QString &jobName, const QString &arguments, const QStringList &rowData,
                                       QString *problem)
{
    const JobArgumentRules rules;
    const Table table(tableText);
    const QStringList visible = visibleColumns(table.header);
    QString reason;
    QString selector;
    const QString column = rules.getArgumentColumn(ecu, jobName, arguments);
    const int index = visible.indexOf(column);
    if (table.header.isEmpty()) {
        reason = QStringLiteral("the table is empty");
    } else if (rowData.size() != visible.size() + 1) {
        reason = QStringLiteral("the row has %1 cells where the table has %2 columns: the browser shows another "
                                "table")
                     .arg(rowData.size())
                     .arg(visible.size() + 1);
    } else if (column.isEmpty()) {
        reason = QStringLiteral("%1 with the arguments '%2' has no selector column").arg(jobName, arguments);
    } else if (index < 0) {
        reason = QStringLiteral("the table has no column %1").arg(column);
    } else if (isHeaderRow(visible, tableName, rowData)) {
        reason = QStringLiteral("the first row of %1 is its header: \"%2\" names the column, it is no value")
                     .arg(tableName.isEmpty() ? QStringLiteral("the table") : tableName, rowData.at(index));
    } else {
        selector = rowData.at(index);
        if (rules.isHexArgument(jobName, selector))
            selector = selector.mid(2);
    }
    if (problem)
        *problem = reason;
    return selector;
}

bool CustomJobTables::tableHoldsSelector(const QString &tableText, const QString &ecu, const QString &jobName,
                                         const QString &arguments, const QString &selector)
{
    const JobArgumentRules rules;
    const Table table(tableText);
    const QString column = rules.getArgumentColumn(ecu, jobName, arguments);
    const int index = column.isEmpty() ? -1 : table.header.indexOf(column);
    if (index < 0 || selector.isEmpty())
        return false;
    const bool hex = rules.getJobKind(jobName) == JobArgumentRules::MwSelectLesenNorm;
    for (int i = 1; i < table.lines.size(); ++i) {
        if (table.selectorCell(cellsOf(table.lines.at(i)), index, hex) == selector)
            return true;
    }
    return false;
}
