#include "globaljobreceiver.h"
#include "jobmetatypes.h"

#include <QDebug>
#include <QThread>

GlobalJobReceiver *GlobalJobReceiver::instance()
{
    qDebug() << "GlobalJobReceiver:instance";
    static GlobalJobReceiver *receiver = new GlobalJobReceiver();
    return receiver;
}

GlobalJobReceiver::GlobalJobReceiver()
{
    JobMetaTypes::registerAll();
    qDebug() << "GlobalJob thread:" << QThread::currentThreadId();
}

void GlobalJobReceiver::onJobFinished(CJob job, int result)
{
    emit jobFinished(job, result);
}

void GlobalJobReceiver::addJob(const CJob &job)
{
    {
        std::lock_guard<std::mutex> lock(mutex);
        registry.insert(job.getDisplayName(), job);
    }
    emit jobsChanged();
}

void GlobalJobReceiver::removeJob(const CJob &job)
{
    {
        std::lock_guard<std::mutex> lock(mutex);
        registry.remove(job.getDisplayName());
    }
    emit jobsChanged();
}

QList<CJob> GlobalJobReceiver::jobs()
{
    std::lock_guard<std::mutex> lock(mutex);
    return registry.values();
}
