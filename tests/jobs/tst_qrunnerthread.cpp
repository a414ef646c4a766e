// The runner thread as the main window drives it: moved into a thread of
// its own, started, paused, unpaused and stopped from the test's thread,
// running simulated jobs (and a serial job whose port is missing).
#include "jobqueue.h"
#include "qrunnerthread.h"
#include "workdir.h"

#include <QElapsedTimer>
#include <QSettings>
#include <QThread>
#include <QtTest>
#include <memory>

// Receives the worker's signals queued, in the test's thread (a signal spy
// would be filled from the runner thread while the test reads it).
class Collector : public QObject
{
public:
    explicit Collector(QRunnerThread &worker)
    {
        connect(&worker, &QRunnerThread::jobFinished, this,
                [this](CJob job, int rc) { jobs << job; codes << rc; }, Qt::QueuedConnection);
        connect(&worker, &QRunnerThread::statusChanged, this, [this](int s) { statuses << s; },
                Qt::QueuedConnection);
    }
    QList<CJob> jobs;
    QList<int> codes;
    QList<int> statuses;
};

class TestQRunnerThread : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void pauseTwice();
    void startsUnpausedWithoutWaiting();
    void pauseAndUnpauseAnnounced();
    void stopWhilePausedRunsNoJob();
    void stopDuringJobStillAnnouncesIt();
    void stopCutsLongPause();
    void emptyQueuePicksUpNewJobAtOnce();
    void failedJobFollowedByGap();
    void jobsRunInTurnAndReachReceiver();

private:
    // Moves the worker into its thread and starts the loop.
    void start(QRunnerThread &worker);
    // Stops the loop and ends the thread within a generous bound.
    void finish(QRunnerThread &worker);
    std::unique_ptr<WorkDir> wd;
    QThread thread;
};

void TestQRunnerThread::init()
{
    wd = std::make_unique<WorkDir>();
}

void TestQRunnerThread::cleanup()
{
    if (thread.isRunning()) {
        thread.quit();
        thread.wait(5000);
    }
    JobQueue::destroy();
    wd.reset();
}

void TestQRunnerThread::start(QRunnerThread &worker)
{
    worker.moveToThread(&thread);
    connect(&thread, &QThread::started, &worker, &QRunnerThread::runLoop);
    thread.start();
}

void TestQRunnerThread::finish(QRunnerThread &worker)
{
    worker.stop();
    QElapsedTimer t;
    t.start();
    thread.quit();
    QVERIFY(thread.wait(5000));
    QVERIFY2(t.elapsed() < 3000, qPrintable(QString::number(t.elapsed())));
}

static CJob simJob(const char *name)
{
    return CJob("XYZ", name);
}

void TestQRunnerThread::pauseTwice()
{
    QRunnerThread worker(true);
    QVERIFY(worker.isPaused());
    QVERIFY(worker.unpause());
    QVERIFY(worker.unpause());
    QVERIFY(worker.pause());
    QVERIFY(!worker.pause());
    QVERIFY(worker.isPaused());
}

void TestQRunnerThread::startsUnpausedWithoutWaiting()
{
    QRunnerThread worker(true);
    Collector c(worker);
    worker.unpause();
    start(worker);
    QTRY_VERIFY_WITH_TIMEOUT(c.statuses.size() >= 1, 5000);
    QTest::qWait(150);
    QCOMPARE(c.statuses.size(), 1);
    QCOMPARE(c.statuses.at(0), 2);
    finish(worker);
}

void TestQRunnerThread::pauseAndUnpauseAnnounced()
{
    QRunnerThread worker(true);
    worker.getRunner().setMinSimulationPause(1);
    Collector c(worker);
    CJob j = simJob("ABC");
    JobQueue::instance()->addJob(j);
    start(worker); // constructed paused
    QTRY_COMPARE_WITH_TIMEOUT(c.statuses.size(), 2, 5000);
    QCOMPARE(c.statuses.at(1), 3);
    QTest::qWait(100);
    QCOMPARE(c.jobs.size(), 0);
    worker.unpause();
    QTRY_VERIFY_WITH_TIMEOUT(c.jobs.size() >= 2, 5000);
    QCOMPARE(c.statuses.last(), 2);
    QVERIFY(worker.pause());
    QTRY_COMPARE_WITH_TIMEOUT(c.statuses.last(), 3, 5000);
    const int ran = c.jobs.size();
    QTest::qWait(100);
    QCOMPARE(c.jobs.size(), ran);
    finish(worker);
}

void TestQRunnerThread::stopWhilePausedRunsNoJob()
{
    QRunnerThread worker(true);
    Collector c(worker);
    CJob j = simJob("ABC");
    JobQueue::instance()->addJob(j);
    start(worker);
    QTRY_COMPARE_WITH_TIMEOUT(c.statuses.size(), 2, 5000); // 2, then 3
    finish(worker);
    QTest::qWait(50);
    QCOMPARE(c.jobs.size(), 0);
}

void TestQRunnerThread::stopDuringJobStillAnnouncesIt()
{
    // Each simulated job takes 400 ms.
    QSettings("kelvo.ini", QSettings::IniFormat).setValue("ediabas/pause_after_job", 400);
    QRunnerThread worker(true);
    Collector c(worker);
    CJob j = simJob("ABC");
    JobQueue::instance()->addJob(j);
    worker.unpause();
    start(worker);
    QTest::qWait(150);
    worker.stop();
    thread.quit();
    QVERIFY(thread.wait(5000));
    QTRY_COMPARE_WITH_TIMEOUT(c.jobs.size(), 1, 5000);
    QTest::qWait(50);
    QCOMPARE(c.jobs.size(), 1);
    const CJob done = c.jobs.at(0);
    QCOMPARE(done.jobName, std::string("ABC"));
    QCOMPARE(c.codes.at(0), 0);
    QVERIFY(done.getResultCount() > 0);
}

void TestQRunnerThread::stopCutsLongPause()
{
    // The longest pause "kelvo.ini" may hold: shutting down does not wait
    // it out (the main window gives the runner thread about 3 s).
    QSettings("kelvo.ini", QSettings::IniFormat).setValue("ediabas/pause_after_job", 10000);
    QRunnerThread worker(true);
    Collector c(worker);
    CJob j = simJob("ABC");
    JobQueue::instance()->addJob(j);
    worker.unpause();
    start(worker);
    QTest::qWait(200);
    finish(worker);
    QTRY_COMPARE_WITH_TIMEOUT(c.jobs.size(), 1, 5000);
}

void TestQRunnerThread::emptyQueuePicksUpNewJobAtOnce()
{
    QRunnerThread worker(true);
    Collector c(worker);
    worker.unpause();
    start(worker);
    QTest::qWait(250);
    QCOMPARE(c.jobs.size(), 0);
    CJob j = simJob("ABC");
    const qint64 added = QDateTime::currentMSecsSinceEpoch();
    JobQueue::instance()->addJob(j);
    QTRY_VERIFY_WITH_TIMEOUT(c.jobs.size() >= 1, 5000);
    // The simulation stamps the job when it starts it: the queue's change
    // woke the loop, which otherwise looks again after 100 ms at the latest.
    // The margin is for a loaded machine running sanitizers, not for the loop.
    const qint64 startedAfter = c.jobs.at(0).timeStamp - added;
    QVERIFY2(startedAfter <= 100 + 400, qPrintable(QString::number(startedAfter)));
    finish(worker);
}

void TestQRunnerThread::failedJobFollowedByGap()
{
    QSettings("kelvo.ini", QSettings::IniFormat).setValue("serial/port", "/dev/kelvo-no-such-port");
    QRunnerThread worker(false);
    Collector c(worker);
    CJob j("BMSS501_SERIAL", "STATUS_MOTOR");
    j.telegram = "12050B03";
    JobQueue::instance()->addJob(j);
    worker.unpause();
    start(worker);
    QTRY_VERIFY_WITH_TIMEOUT(c.jobs.size() >= 3, 5000);
    finish(worker);
    QCOMPARE(c.codes.at(0), 349);
    QCOMPARE(c.jobs.at(0).errorText,
             std::string("Failed to open port /dev/kelvo-no-such-port: No such file or directory"));
    for (int i = 1; i < c.jobs.size(); ++i) {
        const qint64 gap = c.jobs.at(i).timeStamp
            - c.jobs.at(i - 1).timeStamp;
        QVERIFY2(gap >= 100, qPrintable(QString::number(gap)));
    }
}

void TestQRunnerThread::jobsRunInTurnAndReachReceiver()
{
    QRunnerThread worker(true);
    worker.getRunner().setMinSimulationPause(0);
    QStringList seen;
    connect(&worker, &QRunnerThread::jobFinished, this,
            [&seen](CJob job, int rc) {
                if (rc == 0)
                    seen << QString::fromStdString(job.jobName);
            },
            Qt::QueuedConnection);
    CJob a = simJob("STATUS_INT"), b = simJob("STATUS_LMM");
    JobQueue::instance()->addJob(a);
    JobQueue::instance()->addJob(b);
    worker.unpause();
    start(worker);
    QTRY_VERIFY_WITH_TIMEOUT(seen.size() >= 20, 5000);
    finish(worker);
    // Round robin: the two jobs alternate.
    for (int i = 1; i < 20; ++i)
        QVERIFY(seen.at(i) != seen.at(i - 1));
}

QTEST_GUILESS_MAIN(TestQRunnerThread)
#include "tst_qrunnerthread.moc"
