#pragma once
// A CSV log indexed once by line: any data row is then read on its own,
// without reading the rest. Row 0 is the first line after the header; a
// blank line is no row. The index holds one entry per data row and a last
// entry at the end of the rows (which reads as an empty row), so rowCount()
// is the number of data rows plus one, also for an empty file.
//
// A last line without its line end is a row when it holds every field the
// header names (load with the parser); a shorter one is left out. What the
// index leaves out is reported by warnings(): "last line incomplete", or
// "still being written" for a file that grew while it was read or was
// written in the last two seconds (the rows up to its last whole line).
// Line ends may be "\n" or "\r\n"; a UTF-8 byte order mark before the
// header is dropped. A file with a control byte or NUL in its header, a
// control byte in a first data line that holds no cells, or without a line
// end in its first 64 KiB is refused as "not a text log".
#include "kelvolog.h"

#include <QFile>
#include <QString>
#include <QStringList>
#include <QVector>

class CSVJobParser;

class CSVReader
{
public:
    CSVReader();

    // Opens the file and builds the row index; false (with errorString())
    // when it cannot be opened or is no text log. Without the parser a last
    // line without its line end is left out: a row's width is not known.
    bool load(const QString &fileName);
    // The same, and the parser gets the log's columns (side file or header,
    // CSVJobParser::loadColumns); a last line without its line end that
    // holds every field is then a row. What both reads of a log begin with.
    bool load(const QString &fileName, CSVJobParser &parser);
    QString fileName() const { return m_fileName; }
    QString errorString() const { return m_error; }
    QStringList warnings() const { return m_warnings; }

    // The line of that row without its line end (Latin-1); empty for the
    // end entry and for a row outside the index.
    QString getRow(int row);
    bool getRow(int row, QString &out);
    // Data rows + 1 (the end entry); 1 for an empty or header-only file.
    int rowCount() const { return m_index.size(); }
    // The byte offset at which the row's line starts.
    qint64 rowOffset(int row) const;
    // The first line, without BOM and line end; empty when unreadable.
    QString readHeader() const;

    // Logs timed by the clock ("HH:mm:ss..."), read back across midnight:
    // with the parser's separator, notes the rows at which the time of day
    // falls more than 12 h below the row before (a new day). Call after the
    // parser has its columns. dayOffset(row) is what to add to that row's
    // time (a multiple of 24 h; 0 for logs timed in milliseconds).
    void indexTimes(const CSVJobParser &parser);
    qint64 dayOffset(int row) const;
    // The time the log's times count from: 0 when the first row's time is
    // below one day (milliseconds since the start, or a time of day), else
    // the first row's time (milliseconds since the epoch).
    qint64 startTime() const { return m_startTime; }

private:
    bool index(const QString &fileName);
    // Takes or leaves a last line without its line end; logs the warnings.
    void finish(const CSVJobParser *parser);

    QString m_fileName;
    QFile m_file;
    QVector<qint64> m_index;
    // Rows at which the day offset grows, and the offset from there on.
    QVector<int> m_wrapRows;
    QVector<qint64> m_wrapOffsets;
    qint64 m_startTime = 0;
    QString m_error;
    QStringList m_warnings;
    // End of a last line without line end not (yet) in the index; -1: none.
    qint64 m_tailEnd = -1;
    log4cplus::Logger m_log;
};
