#include "qrunnerthread.h"

#include <QDebug>
#include <QElapsedTimer>
#include <chrono>

QRunnerThread::QRunnerThread(bool simulation, QObject *parent)
    : QObject(parent)
    , queue(JobQueue::instance())
    , logger(KelvoLog::get("qrunnerthread"))
{
    if (!queue) {
        LOG4CPLUS_FATAL(logger, "Can't instantiate jobqueue");
        return;
    }
    runner.setSimulation(simulation);
    // Direct: these run in the thread that changed the queue; both only
    // touch state that is guarded for it.
    connect(queue, &JobQueue::statusChanged, this, &QRunnerThread::onJobQueueStatusChanged,
            Qt::DirectConnection);
    connect(queue, &JobQueue::statusChanged, &runner, &CRunner::onJobQueueStatusChanged,
            Qt::DirectConnection);
}

QRunnerThread::~QRunnerThread()
{
    quitIssued = true;
    runner.stop();
    LOG4CPLUS_DEBUG(logger, "~QRunnerThread()");
    unpause();
    wake();
    LOG4CPLUS_DEBUG(logger, "~QRunnerThread() after unpause");
}

bool QRunnerThread::pause()
{
    LOG4CPLUS_DEBUG_FMT(logger, "pause() pauseActivated=%d", int(pauseActivated.load()));
    {
        std::lock_guard<std::mutex> lock(pauseMutex);
        if (pauseActivated)
            return false;
        pauseActivated = true;
    }
    // An idle loop notices the pause at once instead of after its wait.
    wake();
    return true;
}

bool QRunnerThread::unpause()
{
    LOG4CPLUS_DEBUG_FMT(logger, "unpause() pauseActivated=%d", int(pauseActivated.load()));
    {
        std::lock_guard<std::mutex> lock(pauseMutex);
        pauseActivated = false;
        pauseCondition.notify_all();
    }
    LOG4CPLUS_DEBUG_FMT(logger, "after wakeAll() pauseActivated=%d", int(pauseActivated.load()));
    return true;
}

void QRunnerThread::stop()
{
    LOG4CPLUS_INFO(logger, "stop()");
    quitIssued = true;
    // Shutting down never waits on an EDIABAS job that stays busy.
    runner.stop();
    wake();
    unpause();
}

void QRunnerThread::onJobQueueStatusChanged()
{
    const int count = queue->jobCount();
    LOG4CPLUS_INFO_FMT(logger, "onJobQueueStatusChanged: jobsCount:%d", count);
    if (count > 0) {
        LOG4CPLUS_INFO(logger, "onJobQueueStatusChanged: wake up time");
        wake();
    }
}

void QRunnerThread::wake()
{
    std::lock_guard<std::mutex> lock(wakeMutex);
    wakeRequested = true;
    wakeCondition.notify_all();
}

void QRunnerThread::idleWait(unsigned long ms)
{
    std::unique_lock<std::mutex> lock(wakeMutex);
    // A wake that came between the caller's look at the queue and this
    // wait is not lost: it left the flag behind.
    if (!wakeRequested && !quitIssued && !pauseActivated)
        wakeCondition.wait_for(lock, std::chrono::milliseconds(ms), [this] { return wakeRequested; });
    wakeRequested = false;
}

void QRunnerThread::gapWait(qint64 ms)
{
    std::unique_lock<std::mutex> lock(wakeMutex);
    wakeCondition.wait_for(lock, std::chrono::milliseconds(ms), [this] { return quitIssued.load(); });
}

void QRunnerThread::runLoop()
{
    LOG4CPLUS_INFO(logger, ">run()");
    runner.startTimer();
    emit statusChanged(Running);
    LOG4CPLUS_INFO(logger, "into while loop");
    while (!quitIssued) {
        LOG4CPLUS_TRACE(logger, ">while");
        while (queue->jobCount() == 0 && !quitIssued && !pauseActivated)
            idleWait(100);

        if (pauseActivated) {
            emit statusChanged(Paused);
            LOG4CPLUS_DEBUG(logger, "run(): going into wait..");
            qDebug() << "cond.wait";
            {
                std::unique_lock<std::mutex> lock(pauseMutex);
                pauseCondition.wait(lock, [this] { return !pauseActivated; });
            }
            emit statusChanged(Running);
        }

        LOG4CPLUS_TRACE_FMT(logger, "pauseActivated:%d, quitIssued:%d", int(pauseActivated.load()),
                            int(quitIssued.load()));
        if (quitIssued) {
            LOG4CPLUS_DEBUG(logger, "calling break");
            qDebug() << "quitIssued";
            runner.stop();
            break;
        }

        LOG4CPLUS_TRACE(logger, "into job loop getting nextJob");
        const QString key = queue->getNextJob();
        if (!key.isEmpty()) {
            CJob job = queue->job(key);
            LOG4CPLUS_DEBUG_FMT(logger, "running: '%s','%s'", job.ecuName.c_str(), job.jobName.c_str());
            const int rc = runner.runJob(job, false);
            if (rc != 0) {
                LOG4CPLUS_INFO_FMT(logger, "EDIABAS Error: %d,%s", rc, job.errorText.c_str());
                // A failing job stays queued: keep it from hammering the
                // line, but let a stop end the gap at once.
                gapWait(100);
            }
            LOG4CPLUS_TRACE(logger, "before emit");
            emit jobFinished(job, rc);
            if (quitIssued) {
                LOG4CPLUS_INFO(logger, "calling runner.stop");
                runner.stop();
                break;
            }
            LOG4CPLUS_TRACE(logger, "after emit");
        }
        LOG4CPLUS_TRACE(logger, "<while");
    }
    // The serial port belongs to this thread: close it here.
    runner.closePort();
    {
        // Whoever destroys this object takes the same lock (in unpause())
        // after the thread has ended: everything done here happens before.
        std::lock_guard<std::mutex> lock(pauseMutex);
        loopEnded = true;
    }
    LOG4CPLUS_INFO(logger, "<run()");
    LOG4CPLUS_INFO(logger, "after endapi");
    LOG4CPLUS_INFO(logger, "<run()");
}
