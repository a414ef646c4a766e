#pragma once
// Jobs and filter entries for the data-logger tests.
#include "cjobresultpair.h"

#include <QDateTime>

namespace loggerfixture {

// 2026-12-10 13:45:30.000 local time: the clock of every test log.
inline qint64 t0()
{
    return QDateTime(QDate(2026, 12, 10), QTime(13, 45, 30)).toMSecsSinceEpoch();
}

inline CJobResult result(const char *name, const char *text, int format = 8)
{
    CJobResult r;
    r.name = name;
    r.format = format;
    r.setTextValue(text);
    return r;
}

inline CJob job(const char *jobName, qint64 stamp, std::initializer_list<CJobResult> results,
                const char *ecu = "ECU")
{
    CJob j(ecu, jobName);
    j.timeStamp = stamp;
    for (const CJobResult &r : results)
        j.addResult(r);
    return j;
}

inline CJobResultPair column(const char *jobName, const char *resultName, const char *display = nullptr,
                             int format = 8, const char *ecu = "ECU")
{
    CJobResultPair p;
    p.job = CJob(ecu, jobName);
    p.resultName = resultName;
    p.resultDisplayName = display ? display : resultName;
    p.result.format = format;
    return p;
}

} // namespace loggerfixture
