// Finished jobs of 10, 100 and 600 results travel from a runner-like thread
// through GlobalJobReceiver (in its own thread) to 4 listeners in the GUI
// thread. Reports jobs per second and the bytes allocated per job on that
// road: the results are shared, so the figure must not grow with them.
#include "globaljobreceiver.h"
#include "jobmetatypes.h"
#include "threadcall.h"

#include <QCoreApplication>
#include <QThread>
#include <atomic>
#include <benchmark/benchmark.h>
#include <cstdlib>

// Counts every byte allocated in the process (the library's allocations
// included) while counting is switched on.
static std::atomic<bool> counting{false};
static std::atomic<long long> allocated{0};
extern "C" void *__libc_malloc(size_t);
extern "C" void *__libc_calloc(size_t, size_t);
extern "C" void *__libc_realloc(void *, size_t);
extern "C" void *malloc(size_t n)
{
    if (counting.load(std::memory_order_relaxed))
        allocated.fetch_add(static_cast<long long>(n), std::memory_order_relaxed);
    return __libc_malloc(n);
}
extern "C" void *calloc(size_t n, size_t m)
{
    if (counting.load(std::memory_order_relaxed))
        allocated.fetch_add(static_cast<long long>(n * m), std::memory_order_relaxed);
    return __libc_calloc(n, m);
}
extern "C" void *realloc(void *p, size_t n)
{
    if (counting.load(std::memory_order_relaxed))
        allocated.fetch_add(static_cast<long long>(n), std::memory_order_relaxed);
    return __libc_realloc(p, n);
}

class Producer : public QObject
{
    Q_OBJECT
public:
    CJob job;
signals:
    void jobFinished(CJob job, int result);
public slots:
    void produce(int n)
    {
        for (int i = 0; i < n; ++i) {
            job.timeStamp = i;
            emit jobFinished(job, 0);
        }
    }
};

class Listener : public QObject
{
    Q_OBJECT
public:
    int received = 0;
    double sum = 0;
public slots:
    void onJobFinished(CJob job, int)
    {
        ++received;
        sum += job.resultAt(0).realValue;
    }
};

static void BM_FanOut(benchmark::State &state)
{
    const int resultCount = int(state.range(0));
    const int batch = 2000;
    GlobalJobReceiver *receiver = GlobalJobReceiver::instance();
    QThread receiverThread, producerThread;
    receiver->moveToThread(&receiverThread);
    receiverThread.start();
    Producer producer;
    producer.job = CJob("D73N57C0", "STATUS_MESSWERTBLOCK_LESEN");
    for (int i = 0; i < resultCount; ++i) {
        CJobResult r;
        r.name = "STAT_RESULT_" + std::to_string(i);
        r.typeName = "real";
        r.format = 8;
        r.realValue = i;
        r.setTextValue(std::to_string(i));
        producer.job.addResult(r);
    }
    producer.moveToThread(&producerThread);
    producerThread.start();
    QObject::connect(&producer, &Producer::jobFinished, receiver, &GlobalJobReceiver::onJobFinished,
                     Qt::QueuedConnection);
    Listener listeners[4];
    for (Listener &l : listeners)
        QObject::connect(receiver, &GlobalJobReceiver::jobFinished, &l, &Listener::onJobFinished,
                         Qt::QueuedConnection);

    long long jobs = 0;
    allocated = 0;
    for (auto _ : state) {
        for (Listener &l : listeners)
            l.received = 0;
        counting = true;
        ThreadCall::run(&producer, [&producer, batch] { producer.produce(batch); });
        while (listeners[3].received < batch || listeners[0].received < batch)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        counting = false;
        jobs += batch;
    }
    state.SetItemsProcessed(jobs);
    state.counters["jobs_per_s"] = benchmark::Counter(double(jobs), benchmark::Counter::kIsRate);
    state.counters["bytes_per_job"] = double(allocated.load()) / double(jobs);
    state.counters["job_bytes_if_deep"] = double(resultCount * sizeof(CJobResult));

    producerThread.quit();
    producerThread.wait();
    std::atomic<bool> home{false};
    ThreadCall::run(receiver, [receiver, &home] {
        receiver->moveToThread(qApp->thread());
        home = true;
    });
    while (!home.load())
        QThread::msleep(1);
    receiverThread.quit();
    receiverThread.wait();
    for (Listener &l : listeners)
        QObject::disconnect(receiver, nullptr, &l, nullptr);
}
BENCHMARK(BM_FanOut)->Arg(10)->Arg(100)->Arg(600)->UseRealTime()->Unit(benchmark::kMillisecond);

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    JobMetaTypes::registerAll();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

#include "bench_fanout.moc"
