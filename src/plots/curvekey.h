#pragma once
// The identity of one curve of a plot: job display name, result name and the
// job's ECU. Two ECUs' jobs of one name give two curves; a result pair's own
// comparison leaves the ECU out and would put both ECUs' values on one.
#include "cjob.h"
#include "cjobresultpair.h"

#include <QString>
#include <string>
#include <tuple>

class CurveKey
{
public:
    CurveKey() = default;
    CurveKey(const QString &jobName, const std::string &resultName, const std::string &ecuName)
        : jobName(jobName), resultName(resultName), ecuName(ecuName)
    {
    }
    CurveKey(const CJob &job, const std::string &resultName)
        : jobName(job.getDisplayName()), resultName(resultName), ecuName(job.ecuName)
    {
    }
    // Implicit: a pair stands for the curve it names.
    CurveKey(const CJobResultPair &pair) // NOLINT(google-explicit-constructor)
        : CurveKey(pair.job, pair.resultName)
    {
    }

    // By job display name, then result name (as a pair orders), then ECU, so
    // that one result's curves of every ECU lie together, the one without
    // an ECU first.
    bool operator<(const CurveKey &other) const
    {
        return std::tie(jobName, resultName, ecuName) < std::tie(other.jobName, other.resultName, other.ecuName);
    }
    bool operator==(const CurveKey &other) const
    {
        return jobName == other.jobName && resultName == other.resultName && ecuName == other.ecuName;
    }
    bool operator!=(const CurveKey &other) const { return !(*this == other); }
    // The same job and result, ECUs left aside.
    bool sameResult(const CurveKey &other) const
    {
        return jobName == other.jobName && resultName == other.resultName;
    }

    QString jobName;
    std::string resultName;
    std::string ecuName;
};
