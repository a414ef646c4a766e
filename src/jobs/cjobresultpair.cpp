#include "cjobresultpair.h"

CJobResultPair::CJobResultPair(const CJobResultPair &other) = default;

CJobResultPair &CJobResultPair::operator=(const CJobResultPair &other)
{
    if (this == &other)
        return *this;
    job = other.job;
    resultName = other.resultName;
    resultDisplayName = other.resultDisplayName;
    spare = other.spare;
    result = other.result;
    return *this;
}

bool CJobResultPair::operator==(const CJobResultPair &other) const
{
    return resultName == other.resultName && job.getDisplayName() == other.job.getDisplayName();
}

bool CJobResultPair::operator<(const CJobResultPair &other) const
{
    const QString a = job.getDisplayName();
    const QString b = other.job.getDisplayName();
    if (a != b)
        return a < b;
    return resultName < other.resultName;
}
