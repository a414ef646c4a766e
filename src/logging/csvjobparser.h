#pragma once
// Knows which job and result every column of a CSV log holds, from the
// log's ".info" side file or, failing that, from its header line, and turns
// one row into jobs: one CJob per job, its results in column order, each a
// real (format 8) with its "%E" text, stamped with the row's time.
//
// Rows must have as many fields as the header names (a header "time" plus
// the side file's columns, plus the logger's "MARKER" column when it wrote
// one: that field is no result). A cell opening with '"' runs to its closing
// quote ("" is one quote). A line holding a NUL byte is no row. An empty
// cell gives no result, so a job left without any is not returned; a cell
// that is no number ("abc", "nan", "inf") gives 0. A decimal comma is read
// when "," is not the separator.
#include "jobinfo.h"
#include "kelvolog.h"

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>
#include <QVector>

class TranslationMgr;

class CSVJobParser
{
public:
    CSVJobParser();

    // The columns for a log: from csvFile + ".info" when it reads, else
    // from the header (side file missing, empty, broken or without
    // columns: with a warning). Also takes the row width from the header.
    // Where the side file's separator finds none of its columns in the
    // header (a spreadsheet saved the log again with a separator of its
    // own), the header's own separator is read, with a warning. Where the
    // side file no longer matches the header's names (a column removed or
    // moved by hand), the header holds: a side-file column is
    // read where the header names it, or left out; a header column the side
    // file lacks is read under the header's name; each with a warning.
    // Returns true when the side file supplied the columns.
    bool loadColumns(const QString &csvFile, const QString &header);

    // Fills the columns and the separator from a side file; false when it
    // cannot be opened, does not parse or names no column (the columns are
    // then left as they were).
    bool loadJobsInfoFromFile(const QString &path);
    // Columns from a header line: its separator is detected when no side
    // file gave one; names made unique with "_", jobs "DUMMYJOB" of ECU
    // "DUMMYECU", untranslated.
    void setColumnsFromHeader(const QString &header);
    void setColumns(const QHash<int, JobInfo> &columns);

    QHash<int, JobInfo> columns() const { return m_columns; }
    int columnCount() const { return m_columnCount; }
    // Fields a row must have, the time included.
    int fieldCount() const;
    QString separator() const { return m_separator; }
    // One character; an empty text leaves the separator as it is.
    void setSeparator(const QString &separator)
    {
        if (!separator.isEmpty())
            m_separator = separator.left(1);
    }
    bool sideFileLoaded() const { return m_sideFileLoaded; }
    // Why the columns came from the header, side-file columns left out, ...
    QStringList warnings() const { return m_warnings; }

    // The jobs of one row; empty for a row of the wrong width or one that
    // holds a NUL byte. dayOffset (CSVReader::dayOffset) is added to a time
    // of day.
    QList<CJob> parse(const QString &line, qint64 dayOffset = 0) const;
    // The columns in the order parse() hands out their results: jobs in the
    // order of their first column, each job's columns in order. Columns
    // without a name or beyond the row width are left out.
    QList<JobInfo> resultOrder() const { return m_order; }

    // A row's time from its first field: a number of milliseconds
    // (fraction dropped), or a time of day "HH:mm:ss" with or without ",zzz"
    // / ".zzz" as milliseconds since midnight; 0 when it is neither.
    quint64 getTimeFromCol(const QString &text) const;

    // The separator a header line uses: the one after a leading "time",
    // else the most frequent of ";", "," and tab; ";" when none occurs.
    static QChar detectSeparator(const QString &header);
    // The header names made unique as the logger's readers always did:
    // scanning from the first, the first name that occurs more than once
    // gets a "_" and the scan starts over (a, a, a become a__, a_, a).
    static QStringList uniqueNames(QStringList names);

private:
    // True when one of the side file's columns is among the header's names
    // (the time's excluded).
    bool namesAnyColumn(const QStringList &names) const;
    // Side-file columns against the header's names (see loadColumns).
    void matchHeader(const QStringList &names, const QString &sideFile);
    void takeColumns(const QHash<int, JobInfo> &columns);
    void refreshOrder();

    QHash<int, JobInfo> m_columns;
    int m_columnCount = 0;
    int m_headerFields = 0;
    QString m_separator = QStringLiteral(";");
    bool m_separatorFromSideFile = false;
    log4cplus::Logger m_log;
    bool m_translateResultNames = true;
    TranslationMgr *m_translations = nullptr;
    bool m_sideFileLoaded = false;
    QStringList m_warnings;
    QList<JobInfo> m_order;
};
