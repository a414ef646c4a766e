#include "prgtablecache.h"
#include "kelvolog.h"

#include <QElapsedTimer>

PRGTableCache::PRGTableCache(log4cplus::Logger logger)
    : logger(logger)
{
}

PRGTableCache::~PRGTableCache()
{
    qDeleteAll(tables);
}

QString PRGTableCache::key(const QString &fileName, const QString &table)
{
    return fileName + QLatin1Char(',') + table;
}

bool PRGTableCache::contains(const QString &fileName, const QString &table) const
{
    return tables.contains(key(fileName, table));
}

const PRGTable *PRGTableCache::get(PRGFileReader &reader, const QString &fileName, const QString &table)
{
    const QString k = key(fileName, table);
    if (PRGTable *hit = tables.value(k)) {
        LOG4CPLUS_DEBUG_FMT(logger, "table %s %s cache hit", KELVO_QS(fileName), KELVO_QS(table));
        return hit;
    }
    LOG4CPLUS_DEBUG_FMT(logger, "table %s %s cache NOT hit, loading into memory", KELVO_QS(fileName),
                        KELVO_QS(table));
    QElapsedTimer timer;
    timer.start();
    PRGTable *read = reader.readTable(fileName, table);
    if (read)
        tables.insert(k, read);
    LOG4CPLUS_DEBUG_FMT(logger, "table %s %s fetching took: %.2f ms", KELVO_QS(fileName), KELVO_QS(table),
                        double(timer.elapsed()));
    return read;
}
