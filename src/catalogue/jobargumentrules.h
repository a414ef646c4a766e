#pragma once
// The rules of the five EDIABAS measuring jobs a custom job runs: which PRG
// table and column hold a job's selectors, how its argument string is cut
// into selectors and put together again, which prefix a new job starts with
// and which measuring job an ECU offers. No state: made for one operation.
//
//   job name                     kind  table          separator  prefix
//   MW_SELECT_LESEN_NORM          0    BETRIEBSWTAB   (4 chars)  -
//   STATUS_MESSWERTBLOCK_LESEN    1    MESSWERTETAB   ";"        "3"
//   MESSWERTBLOCK_LESEN           2    MESSWERTETAB   ","        -
//   MW_SELECT_LESEN_NORM2         3    MESSWERTETAB   " "        -
//   STATUS_BLOCK_LESEN            4    SG_FUNKTIONEN  ";"        "3;JA;ID" ("0;JA;ID" for n63, s55, mevd)
//
// Any other job has kind -1, no table, the separator ";" and no prefix.
#include "prgfilereader.h"

#include <QPair>
#include <QString>
#include <QStringList>

class CJob;

class JobArgumentRules
{
public:
    enum Kind {
        NoKind = -1,
        MwSelectLesenNorm = 0,
        StatusMesswertblockLesen = 1,
        MesswertblockLesen = 2,
        MwSelectLesenNorm2 = 3,
        StatusBlockLesen = 4
    };
    // Width of one MW_SELECT_LESEN_NORM selector.
    static const int FixedWidth = 4;

    int getJobKind(const QString &jobName) const;
    // Null for a job outside the five.
    QString getTableName(const QString &jobName) const;
    // Empty for MW_SELECT_LESEN_NORM, whose selectors have a fixed width.
    QString getSeparator(const QString &jobName) const;
    // What the arguments of a new job of that name for the job's ECU start with.
    QString getArgumentPrefix(const QString &jobName, const CJob &job) const;
    // The table column that holds the job's selectors; empty when there is
    // none (another job, STATUS_MESSWERTBLOCK_LESEN with empty arguments or
    // a mode outside 0..5).
    QString getArgumentColumn(const QString &ecu, const QString &jobName, QString arguments) const;
    // A MW_SELECT_LESEN_NORM table cell written with "0x" in front of the
    // selector.
    bool isHexArgument(const QString &jobName, const QString &value) const;

    // The fields of the arguments, prefix fields included. Empty arguments
    // have none. MW_SELECT_LESEN_NORM arguments whose length is not a
    // multiple of 4 give none and set *error; otherwise *error is left as
    // it was.
    QStringList parseArgument(const QString &jobName, const QString &arguments, bool *error) const;
    // How many leading fields of the job's arguments are its prefix (the
    // mode and the like, as getArgumentPrefix starts them), not selectors.
    int prefixFieldCount(const QString &jobName) const;
    // The selectors alone: parseArgument less the prefix fields. These are
    // what the user picks and removes; the prefix stays as it is.
    QStringList parseSelectors(const QString &jobName, const QString &arguments, bool *error) const;
    QString joinArguments(const QStringList &selectors, const CJob &job) const;

    // Why the selector cannot join the job's arguments (empty, holds the
    // separator, not 4 characters, arguments that do not parse or lack
    // their prefix); empty when it can.
    QString refusal(const CJob &job, const QString &selector) const;
    // Appends the selector (no separator in front of the first); false, and
    // the job unchanged, when refusal() names a reason.
    bool addArgument(CJob &job, const QString &selector) const;
    // Removes every selector equal to the given one, the prefix fields
    // kept whatever they hold; false, and the job unchanged, when its
    // arguments do not parse.
    bool removeArgument(CJob &job, const QString &selector) const;

    // The measuring job of the ECU's description file and its table; both
    // empty when the file offers none or the table of the first that applies
    // does not read.
    QPair<QString, QString> findMeasureJob(const QString &ecu) const;
    QPair<QString, QString> findMeasureJob(const QString &ecu, PRGFileReader reader) const;
};
