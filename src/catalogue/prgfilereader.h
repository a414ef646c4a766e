#pragma once
// Reads what the catalogue needs of an EDIABAS ECU description file (PRG):
// the description text, the job names, the table names and any one table.
// Keeps no file open between calls and never writes one.
//
// The file is outside input: every count, offset and length is checked
// against the file size before it is used. A damaged file gives an empty
// answer (null, null string, empty list) and one logged error.
#include "prgtable.h"

#include <QString>
#include <QStringList>

class PRGFileReader
{
public:
    // Texts and the table directory are stored XORed with this byte.
    static const unsigned char ScrambleByte = 0xF7;
    // Longest cell of a table, its end byte included.
    static const int MaxCellBytes = 1024;
    enum { TableDirOffsetPos = 0x84, JobListOffsetPos = 0x88, DescriptionOffsetPos = 0x90 };
    enum { TableEntrySize = 80, JobEntrySize = 68, NameSize = 64 };

    // "./ecu" when it exists, else the ECU folder of the EDIABAS stand-in.
    PRGFileReader();

    QString ecuDirectory() const { return ecuDir; }
    void setEcuDirectory(const QString &dir) { ecuDir = dir; }

    // The description text, read with its stored length.
    QString readDescriptionBlock(const QString &fileName);
    // The description text up to and with its first line end (enough for the
    // "ECU" line).
    QString readDescriptionText(const QString &fileName);
    QStringList tableNames(const QString &fileName);
    QStringList jobNames(const QString &fileName);
    // A new table (the caller owns it), or null when the file cannot be read,
    // the name is empty or no table has that name (exact comparison).
    PRGTable *readTable(const QString &fileName, const QString &tableName);

    // Index of the column that holds a row's result name in the common
    // measurement tables, -1 for any other table or when the column is absent.
    static int nameColumn(bool longName, const QString &tableName, const QStringList &columnNames);

    static QString defaultFallbackDirectory(); // "ediabas/ecu"

private:
    QString pathOf(const QString &fileName) const;

    QString ecuDir;
};
