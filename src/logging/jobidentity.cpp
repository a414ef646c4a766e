#include "jobidentity.h"
#include "jobqueue.h"
#include "latin1.h"

#include <QHash>

namespace {
// Cannot occur in a job's names or arguments.
const QChar argumentsMark(0x1f);
} // namespace

QString JobIdentity::base(const CJob &job)
{
    return JobQueue::jobKey(job);
}

void JobIdentity::setJobs(const QList<CJob> &jobs)
{
    m_byArguments.clear();
    QHash<QString, std::string> argumentsOf;
    for (const CJob &job : jobs) {
        const QString key = base(job);
        const auto it = argumentsOf.constFind(key);
        if (it == argumentsOf.constEnd())
            argumentsOf.insert(key, job.arguments);
        else if (*it != job.arguments)
            m_byArguments.insert(key);
    }
}

QString JobIdentity::of(const CJob &job) const
{
    QString key = base(job);
    if (!m_byArguments.isEmpty() && m_byArguments.contains(key))
        key += argumentsMark + Latin1::toQString(job.arguments);
    return key;
}

QStringList JobIdentity::distinctTexts(const QList<QPair<QString, CJob>> &entries)
{
    QList<CJob> jobs;
    for (const auto &e : entries)
        jobs << e.second;
    JobIdentity identity;
    identity.setJobs(jobs);
    // The jobs behind each text.
    QHash<QString, QSet<QString>> jobsOf;
    QHash<QString, QSet<QString>> ecusOf;
    for (const auto &e : entries) {
        jobsOf[e.first].insert(identity.of(e.second));
        ecusOf[e.first].insert(Latin1::toQString(e.second.ecuName));
    }
    QStringList texts;
    for (const auto &e : entries) {
        if (jobsOf.value(e.first).size() < 2) {
            texts << e.first;
            continue;
        }
        QString which = Latin1::toQString(e.second.ecuName);
        if (ecusOf.value(e.first).size() < 2 || identity.of(e.second) != base(e.second))
            which += QLatin1Char(' ') + Latin1::toQString(e.second.arguments);
        texts << QStringLiteral("%1 (%2)").arg(e.first, which.trimmed());
    }
    return texts;
}
