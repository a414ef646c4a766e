#pragma once
// The tables of ECU description files a window has read, kept for the
// window's life: reading a table scans the file, so each is read once per
// window. A table that does not read is not kept, so the next request tries
// again. Owns the tables; a window's later view of a changed file stays the
// one it read first.
#include "prgfilereader.h"

#include <QHash>
#include <QString>
#include <log4cplus/logger.h>

class PRGTableCache
{
public:
    explicit PRGTableCache(log4cplus::Logger logger);
    ~PRGTableCache();
    PRGTableCache(const PRGTableCache &) = delete;
    PRGTableCache &operator=(const PRGTableCache &) = delete;

    // The table of that file, read with the reader on a miss; null when it
    // does not read (the file or table is missing or damaged).
    const PRGTable *get(PRGFileReader &reader, const QString &fileName, const QString &table);
    int size() const { return int(tables.size()); }
    bool contains(const QString &fileName, const QString &table) const;

private:
    static QString key(const QString &fileName, const QString &table);

    QHash<QString, PRGTable *> tables;
    log4cplus::Logger logger;
};
