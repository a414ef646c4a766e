#include "jobqueue.h"

#include <QSignalSpy>
#include <QThread>
#include <QtTest>
#include <atomic>
#include <thread>

class TestJobQueue : public QObject
{
    Q_OBJECT
private slots:
    void cleanup() { JobQueue::destroy(); }
    void emptyAndSingle();
    void roundRobin();
    void duplicateRefused();
    void removeAnnouncesStoredCopy();
    void virtualAndPlainAreTwoEntries();
    void stressAgainstRunnerThread();
};

static CJob job(const char *ecu, const char *name)
{
    return CJob(ecu, name);
}

void TestJobQueue::emptyAndSingle()
{
    JobQueue *q = JobQueue::instance();
    QCOMPARE(q->getNextJob(), QString());
    QCOMPARE(q->jobCount(), 0);
    QVERIFY(q->jobs().isEmpty());
    CJob j = job("ECU", "J");
    QVERIFY(q->addJob(j));
    for (int i = 0; i < 3; ++i)
        QCOMPARE(q->getNextJob(), QString("J.ECU"));
    QCOMPARE(q->job("J.ECU").jobName, std::string("J"));
    QCOMPARE(q->job("missing").jobName, std::string());
}

void TestJobQueue::roundRobin()
{
    JobQueue *q = JobQueue::instance();
    CJob j1 = job("E", "J1"), j2 = job("E", "J2"), j3 = job("E", "J3");
    q->addJob(j1);
    q->addJob(j2);
    q->addJob(j3);
    // The pass follows the table's own order, whatever it is.
    QStringList order;
    for (const CJob &j : q->jobs())
        order << JobQueue::jobKey(j);
    QCOMPARE(order.size(), 3);
    QStringList seen;
    for (int i = 0; i < 6; ++i)
        seen << q->getNextJob();
    QCOMPARE(seen, order + order);

    // Removing the current job restarts the pass at the first key.
    QCOMPARE(q->getNextJob(), order[0]);
    QCOMPARE(q->getNextJob(), order[1]);
    CJob current = q->job(order[1]);
    q->removeJob(current);
    QStringList rest;
    for (const CJob &j : q->jobs())
        rest << JobQueue::jobKey(j);
    QCOMPARE(q->getNextJob(), rest[0]);
}

void TestJobQueue::duplicateRefused()
{
    JobQueue *q = JobQueue::instance();
    CJob first = job("E", "J");
    first.arguments = "first";
    QVERIFY(q->addJob(first));
    QSignalSpy spy(q, &JobQueue::statusChanged);
    CJob second = job("E", "J");
    second.arguments = "second";
    CJobResult r;
    second.addResult(r);
    QVERIFY(!q->addJob(second));
    QCOMPARE(second.getResultCount(), 0); // still cleared
    QCOMPARE(spy.count(), 0);
    QCOMPARE(q->jobCount(), 1);
    QCOMPARE(q->job("J.E").arguments, std::string("first"));
}

void TestJobQueue::removeAnnouncesStoredCopy()
{
    JobQueue *q = JobQueue::instance();
    CJob stored = job("E", "J");
    stored.arguments = "stored";
    QSignalSpy spy(q, &JobQueue::statusChanged);
    QVERIFY(q->addJob(stored));
    QCOMPARE(spy.count(), 1);
    QCOMPARE(spy.at(0).at(0).value<JobQueue::Event>(), JobQueue::JobAdded);

    CJob other = job("E", "J");
    other.arguments = "other";
    CJobResult r;
    other.addResult(r);
    q->removeJob(other);
    QCOMPARE(spy.count(), 2);
    QCOMPARE(spy.at(1).at(0).value<JobQueue::Event>(), JobQueue::JobRemoved);
    QCOMPARE(spy.at(1).at(1).value<CJob>().arguments, std::string("stored"));
    QCOMPARE(q->jobCount(), 0);

    q->removeJob(other); // absent: only logged
    QCOMPARE(spy.count(), 2);
}

void TestJobQueue::virtualAndPlainAreTwoEntries()
{
    JobQueue *q = JobQueue::instance();
    CJob plain = job("E", "J");
    CJob virt = job("E", "J");
    virt.virtualName = "V";
    QVERIFY(q->addJob(plain));
    QVERIFY(q->addJob(virt));
    QCOMPARE(q->jobCount(), 2);
}

// The GUI thread adds and removes while the runner thread reads: run under
// ThreadSanitizer this shows the table is guarded everywhere, jobs() included.
void TestJobQueue::stressAgainstRunnerThread()
{
    JobQueue *q = JobQueue::instance();
    std::atomic<bool> stop{false};
    std::atomic<int> fetched{0};
    std::thread reader([&] {
        while (!stop.load()) {
            const QString key = q->getNextJob();
            if (!key.isEmpty()) {
                CJob j = q->job(key);
                Q_UNUSED(j);
                ++fetched;
            }
            q->jobCount();
        }
    });
    for (int round = 0; round < 2000; ++round) {
        CJob j = job("E", qPrintable(QString("J%1").arg(round % 7)));
        if (!q->addJob(j))
            q->removeJob(j);
        q->jobs();
    }
    stop = true;
    reader.join();
    QVERIFY(fetched.load() > 0);
}

QTEST_GUILESS_MAIN(TestJobQueue)
#include "tst_jobqueue.moc"
