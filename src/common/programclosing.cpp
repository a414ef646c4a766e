#include "programclosing.h"

#include <QDeadlineTimer>
#include <QList>
#include <QPointer>
#include <QThread>
#include <atomic>

namespace {
std::atomic<bool> closingFlag{false};
// Touched in the GUI thread only.
QList<QPointer<QThread>> endingThreads;
} // namespace

ProgramClosing *ProgramClosing::instance()
{
    static ProgramClosing *self = new ProgramClosing;
    return self;
}

void ProgramClosing::announce()
{
    if (closingFlag.exchange(true))
        return;
    emit instance()->closing();
}

void ProgramClosing::reset()
{
    closingFlag = false;
}

bool ProgramClosing::announced()
{
    return closingFlag.load();
}

void ProgramClosing::waitAtEnd(QThread *thread)
{
    endingThreads.removeAll(QPointer<QThread>());
    endingThreads << QPointer<QThread>(thread);
}

bool ProgramClosing::waitForThreads(int ms)
{
    const QDeadlineTimer deadline(ms);
    bool ended = true;
    for (const QPointer<QThread> &thread : qAsConst(endingThreads)) {
        if (thread && !thread->wait(deadline))
            ended = false;
    }
    endingThreads.removeAll(QPointer<QThread>());
    return ended;
}
