#pragma once
// The main runner as the program runs it, for tests of tools that use
// EDIABAS beside it: the given jobs are queued and a non-simulated runner
// thread loops over them until the object goes. Its finished jobs are
// counted in the test's thread. Uses (and at the end destroys) the JobQueue
// singleton.
#include "cjob.h"

#include <QList>
#include <QObject>
#include <QThread>
#include <QStringList>

class QRunnerThread;

class EdiabasRunnerLoop : public QObject
{
    Q_OBJECT
public:
    explicit EdiabasRunnerLoop(const QList<CJob> &jobs);
    ~EdiabasRunnerLoop() override;

    // Jobs announced so far, and their error texts (empty when they passed).
    int finished() const { return count; }
    QStringList errors() const { return errorTexts; }
    // Stops the loop and waits for the thread; true when it ended in time.
    bool stop();

private:
    QThread thread;
    QRunnerThread *worker = nullptr;
    int count = 0;
    QStringList errorTexts;
};
