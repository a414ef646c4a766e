#include "jobqueue.h"
#include "jobmetatypes.h"

#include <QDebug>
#include <atomic>
#include <mutex>

namespace {
std::atomic<JobQueue *> theQueue{nullptr};
std::mutex creationMutex;
}

JobQueue::JobQueue()
    : logger(KelvoLog::get("jobqueue"))
{
    JobMetaTypes::registerAll();
}

JobQueue::~JobQueue() = default;

JobQueue *JobQueue::instance()
{
    JobQueue *q = theQueue.load();
    if (q)
        return q;
    std::lock_guard<std::mutex> lock(creationMutex);
    if (!theQueue.load())
        theQueue.store(new JobQueue());
    return theQueue.load();
}

void JobQueue::destroy()
{
    std::lock_guard<std::mutex> lock(creationMutex);
    JobQueue *q = theQueue.exchange(nullptr);
    if (q) {
        LOG4CPLUS_DEBUG(q->logger, ">destroy()");
        delete q;
    }
}

QString JobQueue::jobKey(const CJob &job)
{
    return job.getDisplayName() + QLatin1Char('.') + QString::fromLatin1(job.ecuName.c_str());
}

bool JobQueue::addJob(CJob &job)
{
    job.clearResults();
    const QString key = jobKey(job);
    LOG4CPLUS_DEBUG_FMT(logger, ">add virtual Job: name:'%s',virtual:'%s'", KELVO_QS(key),
                        job.virtualName.c_str());
    {
        std::lock_guard<std::mutex> lock(mutex);
        if (table.contains(key))
            return false;
        table.insert(key, job);
    }
    emit statusChanged(JobAdded, job);
    return true;
}

void JobQueue::removeJob(CJob &job)
{
    const QString key = jobKey(job);
    qDebug() << "removeJob::" << key;
    LOG4CPLUS_DEBUG_FMT(logger, ">removeJob: '%s'", KELVO_QS(key));
    bool removed = false;
    CJob stored;
    {
        std::lock_guard<std::mutex> lock(mutex);
        auto it = table.find(key);
        if (it != table.end()) {
            LOG4CPLUS_TRACE_FMT(logger, "Contains: '%s'", KELVO_QS(key));
            stored = it.value();
            table.erase(it);
            removed = true;
        }
    }
    if (removed)
        emit statusChanged(JobRemoved, stored);
    else
        LOG4CPLUS_DEBUG_FMT(logger, "does not contain: '%s'", KELVO_QS(key));
    LOG4CPLUS_DEBUG(logger, "<removeJob");
}

QString JobQueue::getNextJob()
{
    LOG4CPLUS_TRACE(logger, ">getNextJob()");
    std::lock_guard<std::mutex> lock(mutex);
    if (table.isEmpty()) {
        currentKey.clear();
    } else if (table.size() == 1) {
        currentKey = table.constBegin().key();
    } else {
        auto it = table.constFind(currentKey);
        if (it == table.constEnd()) {
            currentKey = table.constBegin().key();
        } else {
            ++it;
            currentKey = (it == table.constEnd() ? table.constBegin() : it).key();
        }
    }
    LOG4CPLUS_TRACE(logger, "<getNextJob()");
    return currentKey;
}

CJob JobQueue::job(const QString &key)
{
    std::lock_guard<std::mutex> lock(mutex);
    return table.value(key);
}

int JobQueue::jobCount()
{
    std::lock_guard<std::mutex> lock(mutex);
    return table.size();
}

QList<CJob> JobQueue::jobs()
{
    std::lock_guard<std::mutex> lock(mutex);
    return table.values();
}
