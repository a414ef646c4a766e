// The main road of a job, without a car: simulated jobs (12 results each,
// no pause) from the queue through the runner thread and the job receiver's
// thread to four listeners in the GUI thread. Reports finished jobs that
// reached every listener per second.
#include "globaljobreceiver.h"
#include "jobqueue.h"
#include "qrunnerthread.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QThread>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <memory>

namespace {
class Listener : public QObject
{
    Q_OBJECT
public:
    qint64 jobs = 0;
    qint64 results = 0;
public slots:
    void onJobFinished(CJob job, int result)
    {
        ++jobs;
        results += job.getResultCount();
        Q_UNUSED(result);
    }
};

// The job receiver is a process-wide singleton: it moves into its thread
// once, for every run of the benchmark.
QThread *receiverThread = nullptr;

struct Pipeline
{
    QTemporaryDir dir;
    QString previous = QDir::currentPath();
    QThread runnerThread;
    std::unique_ptr<QRunnerThread> worker;
    Listener listeners[4];

    Pipeline()
    {
        QDir::setCurrent(dir.path());
        GlobalJobReceiver *receiver = GlobalJobReceiver::instance();
        worker = std::make_unique<QRunnerThread>(true);
        worker->getRunner().setMinSimulationPause(0);
        worker->moveToThread(&runnerThread);
        QObject::connect(&runnerThread, &QThread::started, worker.get(), &QRunnerThread::runLoop);
        QObject::connect(worker.get(), &QRunnerThread::jobFinished, receiver, &GlobalJobReceiver::onJobFinished,
                         Qt::QueuedConnection);
        for (Listener &l : listeners)
            QObject::connect(receiver, &GlobalJobReceiver::jobFinished, &l, &Listener::onJobFinished,
                             Qt::QueuedConnection);
        for (const char *ecu : {"ECU1", "ECU2", "ECU3", "ECU4"}) {
            CJob job(ecu, "MW_SELECT_LESEN_NORM");
            JobQueue::instance()->addJob(job);
        }
        runnerThread.start();
        worker->unpause();
    }

    ~Pipeline()
    {
        worker->stop();
        runnerThread.quit();
        runnerThread.wait();
        worker.reset();
        // Jobs still on their way to the listeners.
        QCoreApplication::processEvents();
        for (Listener &l : listeners)
            QObject::disconnect(GlobalJobReceiver::instance(), nullptr, &l, nullptr);
        QCoreApplication::processEvents();
        JobQueue::destroy();
        QDir::setCurrent(previous);
    }

    qint64 slowest() const
    {
        qint64 m = listeners[0].jobs;
        for (const Listener &l : listeners)
            m = qMin(m, l.jobs);
        return m;
    }
};
} // namespace

static void BM_SimulatedJobsToFourListeners(benchmark::State &state)
{
    const qint64 batch = state.range(0);
    Pipeline pipeline;
    qint64 results = 0;
    for (auto _ : state) {
        const qint64 target = pipeline.slowest() + batch;
        while (pipeline.slowest() < target)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    for (const Listener &l : pipeline.listeners)
        results += l.results;
    state.SetItemsProcessed(state.iterations() * batch);
    state.counters["results_per_job"] = double(pipeline.listeners[0].results) / double(qMax<qint64>(1, pipeline.listeners[0].jobs));
    Q_UNUSED(results);
}
BENCHMARK(BM_SimulatedJobsToFourListeners)->Arg(2000)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext &, const QString &msg) {
        if (type != QtDebugMsg)
            fprintf(stderr, "%s\n", qPrintable(msg));
    });
    QThread thread;
    receiverThread = &thread;
    GlobalJobReceiver::instance()->moveToThread(&thread);
    thread.start();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    thread.quit();
    thread.wait();
    return 0;
}

#include "bench_runnerpipeline.moc"
