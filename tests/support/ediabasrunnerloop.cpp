#include "ediabasrunnerloop.h"

#include "jobqueue.h"
#include "qrunnerthread.h"

EdiabasRunnerLoop::EdiabasRunnerLoop(const QList<CJob> &jobs)
{
    for (CJob job : jobs)
        JobQueue::instance()->addJob(job);
    worker = new QRunnerThread(false);
    connect(
        worker, &QRunnerThread::jobFinished, this,
        [this](CJob job, int rc) {
            ++count;
            if (rc != 0)
                errorTexts << QString::fromLatin1(job.errorText.c_str());
        },
        Qt::QueuedConnection);
    worker->moveToThread(&thread);
    connect(&thread, &QThread::started, worker, &QRunnerThread::runLoop);
    worker->unpause();
    thread.start();
}

EdiabasRunnerLoop::~EdiabasRunnerLoop()
{
    stop();
    delete worker;
    JobQueue::destroy();
}

bool EdiabasRunnerLoop::stop()
{
    if (!thread.isRunning())
        return true;
    worker->stop();
    thread.quit();
    return thread.wait(10000);
}
