#pragma once
// The row steps of the PRG table browser and the custom-job window: plain
// functions from a table's text (and a job's arguments) to the rows the
// windows show. No widgets, files or state: the windows put the rows into
// their models.
//
// A PRG cell may hold a TAB or an LF of its own, which shifts or splits its
// line: a line whose cell count differs from the header's is no row here.
#include <QString>
#include <QStringList>
#include <QVector>

class TranslationMgr;

class CustomJobTables
{
public:
    // The columns the browser does not show (exact, case-sensitive names).
    static const QStringList &hiddenColumnNames();
    // The browser's extra last column: the long text as the table has it.
    static QString longOriginalColumn(); // "Long orig. descr."
    // The translation key of a result's long text: a name starting with
    // "STAT" as it is, any other as "STAT_" + name + "_WERT".
    static QString resultKey(const QString &shortName);
    // The header less the hidden columns: the columns of a browser row.
    static QStringList visibleColumns(const QStringList &header);
    // A line's cells, split at TAB with empty cells kept.
    static QStringList cells(const QString &line);

    struct Grid
    {
        QStringList columnNames;    // the visible header, then longOriginalColumn()
        QVector<QStringList> rows;  // as many cells as columnNames; row 0 is the header line
        int shortColumn = -1;       // the result name's column, -1 when none
        int longColumn = -1;        // the translated long text's column, -1 when none
        int skippedLines = 0;       // lines with another cell count than the header
    };
    // The browser's grid of a table: the hidden columns dropped, the long
    // column translated ("RES_L"), its original text in the last column.
    // Without translations (null) the long column stays empty.
    static Grid browserGrid(const QString &tableText, const QString &tableName, const TranslationMgr *translations);

    enum SelectorColumn { IdColumn, ResultColumn, TranslationColumn, InfoColumn, SelectorColumns };
    static QStringList selectorHeader(); // "ID", "RESULT", "Global translation", "Info from table"

    struct SelectorRows
    {
        // One row of SelectorColumns cells per selector of the arguments
        // (the prefix fields are no selectors and have no row); none when
        // `problem` says why.
        QVector<QStringList> rows;
        QString problem;
        QString column;      // the selector column's name
        int columnIndex = -1;
        // The selectors, in argument order and each once, that name no row
        // of the table: held by no line, only by the header line, or only
        // outside the selector column. Their rows carry no result.
        QStringList unresolved;
        int skippedLines = 0; // lines with another cell count than the header
    };
    // Resolves every selector of the job's arguments against the job's table.
    static SelectorRows selectorRows(const QString &tableText, const QString &tableName, const QString &ecu,
                                     const QString &jobName, const QString &arguments,
                                     const TranslationMgr *translations);

    // The selector a browser row offers for the job: the row's cell in the
    // job's selector column of that table ("0x" dropped where the job wants
    // it). Empty, with the reason in *problem, when the row cannot give one:
    // the browser's first row is the header line, whose cells are column
    // names, not values.
    static QString selectorOfRow(const QString &tableText, const QString &tableName, const QString &ecu,
                                 const QString &jobName, const QString &arguments, const QStringList &rowData,
                                 QString *problem);
    // Whether a row of the table (the header line is none) holds the
    // selector in the job's selector column.
    static bool tableHoldsSelector(const QString &tableText, const QString &ecu, const QString &jobName,
                                   const QString &arguments, const QString &selector);
};
