#include "jobsink.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>

JobSink::JobSink(QObject *parent)
    : QObject(parent)
{
}

void JobSink::onJobFinished(CJob job, int result)
{
    received.append(Entry{job, result});
}

int JobSink::count(int result) const
{
    int n = 0;
    for (const Entry &e : received)
        n += e.result == result ? 1 : 0;
    return n;
}

bool JobSink::waitFor(int n, int timeoutMs)
{
    QElapsedTimer t;
    t.start();
    while (received.size() < n && t.elapsed() < timeoutMs) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(1);
    }
    return received.size() >= n;
}
