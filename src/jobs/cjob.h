#pragma once
// One diagnostic job and, after a run, its results. A value: copies cross
// threads through queued signals. The results live in an implicitly shared
// container, so handing a finished job to every listener copies no result.
#include "cjobresult.h"

#include <QDataStream>
#include <QMetaType>
#include <QString>
#include <QVector>
#include <string>

class CJob
{
public:
    CJob();
    CJob(const std::string &ecuName, const std::string &jobName);
    CJob(const CJob &other);
    // Copies every field but errorText, which keeps the target's value.
    CJob &operator=(const CJob &other);
    // Same ECU (byte compare) and same display name.
    bool operator==(const CJob &other) const;
    bool operator!=(const CJob &other) const { return !(*this == other); }

    // virtualName when set, else jobName.
    QString getDisplayName() const;
    bool hasTelegram() const { return !telegram.empty(); }

    int getResultCount() const { return results.size(); }
    // An index out of range is a caller's bug: asserts in debug builds; in
    // release getResult gives an empty result and setResult does nothing.
    CJobResult getResult(int i) const;
    const CJobResult &resultAt(int i) const;
    void setResult(const CJobResult &r, int i);
    void addResult(const CJobResult &r) { results.append(r); }
    void clearResults() { results.clear(); }

    std::string ecuName;
    std::string ecuDescription;
    std::string jobName;
    std::string jobTitle;
    std::string comment;
    QVector<CJobResult> results;
    qint64 timeStamp = 0;
    qint64 duration = 0;
    qint64 readWaitTime = 0;
    std::string errorText;
    std::string arguments;
    std::string telegram;
    std::string spare;
    std::string virtualName;
    std::string resultAliases;
};

// The stream form: nine strings (jobName, ecuName, telegram, virtualName,
// resultAliases, arguments, ecuDescription, comment, spare); nothing else.
QDataStream &operator<<(QDataStream &out, const CJob &job);
QDataStream &operator>>(QDataStream &in, CJob &job);

Q_DECLARE_METATYPE(CJob)
Q_DECLARE_METATYPE(QList<CJob>)
