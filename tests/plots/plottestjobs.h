#pragma once
// Finished jobs as the fan-out hands them to a plot.
#include "cjob.h"
#include "cjobresult.h"
#include "cjobresultpair.h"

inline CJobResult plotResult(const char *name, const char *text, int format = 8)
{
    CJobResult res;
    res.name = name;
    res.format = format;
    res.typeName = format == 7 ? "binary" : "real";
    res.setTextValue(text);
    return res;
}

inline CJob plotJob(qint64 timeStamp, const char *jobName = "STATUS_MESSWERTE", const char *ecu = "DME")
{
    CJob job(ecu, jobName);
    job.timeStamp = timeStamp;
    return job;
}

inline CJobResultPair plotPair(const char *result, const char *jobName = "STATUS_MESSWERTE", const char *ecu = "DME")
{
    CJobResultPair pair;
    pair.job = CJob(ecu, jobName);
    pair.resultName = result;
    return pair;
}
