#include "cjob.h"
#include "latin1.h"
#include "tsanannotate.h"

CJob::CJob() = default;

CJob::CJob(const std::string &ecu, const std::string &job)
    : ecuName(ecu), jobName(job)
{
}

CJob::CJob(const CJob &other)
    : ecuName((KELVO_TSAN_ACQUIRE(&other), other.ecuName)), ecuDescription(other.ecuDescription),
      jobName(other.jobName), jobTitle(other.jobTitle), comment(other.comment), results(other.results),
      timeStamp(other.timeStamp), duration(other.duration), readWaitTime(other.readWaitTime),
      errorText(other.errorText), arguments(other.arguments), telegram(other.telegram), spare(other.spare),
      virtualName(other.virtualName), resultAliases(other.resultAliases)
{
    KELVO_TSAN_RELEASE(this);
}

CJob &CJob::operator=(const CJob &other)
{
    if (this == &other)
        return *this;
    KELVO_TSAN_ACQUIRE(&other);
    ecuName = other.ecuName;
    ecuDescription = other.ecuDescription;
    jobName = other.jobName;
    jobTitle = other.jobTitle;
    comment = other.comment;
    results = other.results;
    timeStamp = other.timeStamp;
    duration = other.duration;
    readWaitTime = other.readWaitTime;
    arguments = other.arguments;
    telegram = other.telegram;
    spare = other.spare;
    virtualName = other.virtualName;
    resultAliases = other.resultAliases;
    KELVO_TSAN_RELEASE(this);
    return *this;
}

bool CJob::operator==(const CJob &other) const
{
    if (ecuName != other.ecuName)
        return false;
    return getDisplayName() == other.getDisplayName();
}

QString CJob::getDisplayName() const
{
    return Latin1::toQString(virtualName.empty() ? jobName : virtualName);
}

CJobResult CJob::getResult(int i) const
{
    Q_ASSERT_X(i >= 0 && i < results.size(), "CJob::getResult", "index out of range");
    if (i < 0 || i >= results.size())
        return CJobResult();
    return results.at(i);
}

const CJobResult &CJob::resultAt(int i) const
{
    Q_ASSERT_X(i >= 0 && i < results.size(), "CJob::resultAt", "index out of range");
    static const CJobResult empty;
    if (i < 0 || i >= results.size())
        return empty;
    return results.at(i);
}

void CJob::setResult(const CJobResult &r, int i)
{
    Q_ASSERT_X(i >= 0 && i < results.size(), "CJob::setResult", "index out of range");
    if (i < 0 || i >= results.size())
        return;
    results[i] = r;
}

QDataStream &operator<<(QDataStream &out, const CJob &job)
{
    out << Latin1::toQString(job.jobName) << Latin1::toQString(job.ecuName)
        << Latin1::toQString(job.telegram) << Latin1::toQString(job.virtualName)
        << Latin1::toQString(job.resultAliases) << Latin1::toQString(job.arguments)
        << Latin1::toQString(job.ecuDescription) << Latin1::toQString(job.comment)
        << Latin1::toQString(job.spare);
    return out;
}

QDataStream &operator>>(QDataStream &in, CJob &job)
{
    std::string *fields[] = {&job.jobName, &job.ecuName, &job.telegram, &job.virtualName,
                             &job.resultAliases, &job.arguments, &job.ecuDescription,
                             &job.comment, &job.spare};
    for (std::string *field : fields) {
        QString text;
        in >> text;
        if (in.status() != QDataStream::Ok)
            break;
        *field = Latin1::toStd(text);
    }
    return in;
}
