#pragma once
// Reads a whole CSV log at once for the graph window: one pass over the raw
// bytes in blocks, no QString per line and no CJob per row. Every cell of a
// result column is handed to the sink in row order, in the order in which
// CSVJobParser::parse would hand out the row's results, stamped with the
// row's time (midnight unwrapped), so that the sink builds the same curves
// as rows fed one by one. Rows of the wrong width, or holding a NUL byte,
// are skipped and counted; blank lines are no rows.
#include "csvjobparser.h"
#include "csvreader.h"

#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>

class CSVLogLoader
{
public:
    class Sink
    {
    public:
        virtual ~Sink() = default;
        // Before the first cell: the result columns (cell slots in this
        // order), the number of data lines (an upper bound for any column)
        // and the time the log counts from.
        virtual void begin(const QList<JobInfo> &columns, qint64 rows, qint64 startTime) = 0;
        // A cell of slot's column: its value (0 for a text) at time (ms).
        virtual void cell(int slot, qint64 time, double value) = 0;
    };

    // False when the file cannot be read as a log (errorString()); true
    // otherwise, with what was left out in messages().
    bool load(const QString &fileName, Sink &sink);
    QString errorString() const { return m_error; }
    // "last line incomplete", "still being written", "empty log",
    // "N rows skipped: F fields, header names C", "N rows skipped: NUL
    // bytes", side-file warnings.
    QStringList messages() const { return m_messages; }
    qint64 startTime() const { return m_startTime; }
    const CSVJobParser &parser() const { return m_parser; }

private:
    CSVReader m_reader;
    CSVJobParser m_parser;
    QString m_error;
    QStringList m_messages;
    qint64 m_startTime = 0;
};
