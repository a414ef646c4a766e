#include "cjobresultpair.h"
#include "tsanannotate.h"

CJobResultPair::CJobResultPair(const CJobResultPair &other)
    : job((KELVO_TSAN_ACQUIRE(&other), other.job)), resultName(other.resultName),
      resultDisplayName(other.resultDisplayName), spare(other.spare), result(other.result)
{
    KELVO_TSAN_RELEASE(this);
}

CJobResultPair &CJobResultPair::operator=(const CJobResultPair &other)
{
    if (this == &other)
        return *this;
    KELVO_TSAN_ACQUIRE(&other);
    job = other.job;
    resultName = other.resultName;
    resultDisplayName = other.resultDisplayName;
    spare = other.spare;
    result = other.result;
    KELVO_TSAN_RELEASE(this);
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
