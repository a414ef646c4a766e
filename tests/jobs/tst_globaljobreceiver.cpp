#include "globaljobreceiver.h"
#include "threadcall.h"

#include <QSignalSpy>
#include <QThread>
#include <QtTest>
#include <atomic>

// A listener in the GUI thread, as a window would be.
class Listener : public QObject
{
    Q_OBJECT
public:
    QList<qint64> stamps;
    QList<int> codes;
    int jobsSeenOnChange = -1;
public slots:
    void onJobFinished(CJob job, int result)
    {
        stamps << job.timeStamp;
        codes << result;
    }
    void onJobsChanged() { jobsSeenOnChange = GlobalJobReceiver::instance()->jobs().size(); }
};

// Stands for the runner thread: emits finished jobs from a thread of its own.
class Producer : public QObject
{
    Q_OBJECT
signals:
    void jobFinished(CJob job, int result);
public slots:
    void produce(int n)
    {
        for (int i = 0; i < n; ++i) {
            CJob j("ECU", "JOB");
            j.timeStamp = i;
            emit jobFinished(j, i % 3 == 0 ? 0 : 100 + i);
        }
    }
};

class TestGlobalJobReceiver : public QObject
{
    Q_OBJECT
private slots:
    void relaysInOrderAcrossThreads();
    void registryByDisplayName();
    void jobsFromQueuedSlot();
};

void TestGlobalJobReceiver::relaysInOrderAcrossThreads()
{
    GlobalJobReceiver *r = GlobalJobReceiver::instance();
    QThread receiverThread, producerThread;
    r->moveToThread(&receiverThread);
    receiverThread.start();
    Producer producer;
    producer.moveToThread(&producerThread);
    producerThread.start();
    connect(&producer, &Producer::jobFinished, r, &GlobalJobReceiver::onJobFinished, Qt::QueuedConnection);
    Listener a, b;
    connect(r, &GlobalJobReceiver::jobFinished, &a, &Listener::onJobFinished, Qt::QueuedConnection);
    connect(r, &GlobalJobReceiver::jobFinished, &b, &Listener::onJobFinished, Qt::QueuedConnection);

    const int n = 500;
    ThreadCall::run(&producer, [&producer, n] { producer.produce(n); });
    QTRY_COMPARE_WITH_TIMEOUT(b.stamps.size(), n, 10000);
    QTRY_COMPARE(a.stamps.size(), n);
    for (int i = 0; i < n; ++i) {
        QCOMPARE(a.stamps[i], qint64(i));
        QCOMPARE(a.codes[i], i % 3 == 0 ? 0 : 100 + i); // failures relayed unchanged
    }
    producerThread.quit();
    producerThread.wait();
    // Bring the receiver home for the other cases.
    std::atomic<bool> home{false};
    ThreadCall::run(r, [r, &home] {
        r->moveToThread(qApp->thread());
        home = true;
    });
    QTRY_VERIFY(home.load());
    receiverThread.quit();
    receiverThread.wait();
}

void TestGlobalJobReceiver::registryByDisplayName()
{
    GlobalJobReceiver *r = GlobalJobReceiver::instance();
    QSignalSpy changed(r, &GlobalJobReceiver::jobsChanged);
    QVERIFY(r->jobs().isEmpty());
    r->removeJob(CJob("E", "NEVER"));
    QCOMPARE(changed.count(), 1);
    QVERIFY(r->jobs().isEmpty());

    CJob a("E1", "IDENT"), b("E2", "IDENT");
    b.arguments = "second";
    r->addJob(a);
    r->addJob(b);
    QCOMPARE(r->jobs().size(), 1);
    QCOMPARE(r->jobs().first().arguments, std::string("second"));
    CJob v("E1", "IDENT");
    v.virtualName = "VIEW";
    r->addJob(v);
    QCOMPARE(r->jobs().size(), 2);
    r->removeJob(a);
    r->removeJob(v);
    QVERIFY(r->jobs().isEmpty());
    QCOMPARE(changed.count(), 6);
}

void TestGlobalJobReceiver::jobsFromQueuedSlot()
{
    GlobalJobReceiver *r = GlobalJobReceiver::instance();
    Listener l;
    connect(r, &GlobalJobReceiver::jobsChanged, &l, &Listener::onJobsChanged, Qt::QueuedConnection);
    r->addJob(CJob("E", "X"));
    QTRY_COMPARE(l.jobsSeenOnChange, 1);
    // A direct connection must not deadlock either: the signal comes unlocked.
    Listener d;
    connect(r, &GlobalJobReceiver::jobsChanged, &d, &Listener::onJobsChanged, Qt::DirectConnection);
    r->removeJob(CJob("E", "X"));
    QCOMPARE(d.jobsSeenOnChange, 0);
}

QTEST_MAIN(TestGlobalJobReceiver)
#include "tst_globaljobreceiver.moc"
