#pragma once
// One loaded ECU data table: its rows in text order, grouped by the
// telegram they belong to. The text comes from the built-in registry, under
// the base name of the switch file in "ecudata"; the file itself is never
// read.
#include "resultinforow.h"

#include <QHash>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>
#include <log4cplus/logger.h>
#include <memory>

class CJob;

class EcuDataTable : public QObject
{
public:
    explicit EcuDataTable(const QString &name, QObject *parent = nullptr);

    // Fills the rows from the built-in text named by the path's base name
    // (the file name up to its first "."). True also when there is no text.
    bool loadTable(const QString &path);
    // Rows from a table text: lines split at "\n", the first empty line ends
    // the table, lines beginning "!!!" are switched off.
    void loadText(const QString &text);

    // Appends the rows of the job's telegram (exact match) to rows; false
    // and a warning when there are none.
    bool getResultsByTelegram(const CJob &job, QList<ResultInfoRow> &rows) const;
    // The rows of the job's telegram, or null when there are none.
    std::unique_ptr<QList<ResultInfoRow>> rowsForTelegram(const CJob &job) const;
    // The distinct telegrams, in the order of their first row.
    QStringList telegrams() const { return telegramOrder; }
    QString name() const { return m_name; }

    QList<ResultInfoRow> rows;

private:
    QString m_name;
    QHash<QString, QList<ResultInfoRow>> rowGroups;
    QStringList telegramOrder;
    log4cplus::Logger logger;
};
