#pragma once
// The worker that runs the queued jobs, one after another, for as long as
// the program runs: moved into the runner thread, whose started() signal is
// connected to runLoop(). The GUI thread controls it with pause(),
// unpause() and stop(), which only set flags and wake the loop.
#include "crunner.h"
#include "jobqueue.h"
#include "kelvolog.h"

#include <QObject>
#include <atomic>
#include <condition_variable>
#include <mutex>

class QRunnerThread : public QObject
{
    Q_OBJECT
public:
    enum Status { Running = 2, Paused = 3 };

    explicit QRunnerThread(bool simulation, QObject *parent = nullptr);
    ~QRunnerThread() override;

    // True when it paused the runner, false when it was paused already.
    bool pause();
    bool unpause();
    bool isPaused() const { return pauseActivated; }
    // The embedded runner (for "Start EDIABAS" and tuning in tests).
    CRunner &getRunner() { return runner; }

public slots:
    void runLoop();
    // Ends the loop after the job in progress has been announced; also ends
    // an EDIABAS busy wait and the pause after a failed job at once.
    void stop();
    void onJobQueueStatusChanged();

signals:
    void jobFinished(CJob job, int result);
    void statusChanged(int status);

private:
    // Waits at most ms for a queue change, a stop or a pause.
    void idleWait(unsigned long ms);
    void wake();
    // Sleeps ms unless a stop comes first.
    void gapWait(qint64 ms);

    CRunner runner;
    JobQueue *queue = nullptr;
    std::atomic<bool> pauseActivated{true};
    std::atomic<bool> quitIssued{false};
    // Standard locks rather than QMutex: ThreadSanitizer sees through them.
    std::mutex pauseMutex;
    bool loopEnded = false; // guarded by pauseMutex
    std::condition_variable pauseCondition;
    std::mutex wakeMutex;
    std::condition_variable wakeCondition;
    bool wakeRequested = false; // guarded by wakeMutex
    log4cplus::Logger logger;
};
