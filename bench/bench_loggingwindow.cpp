// Jobs per second through the data-logger window: 2,000 jobs of 50 results,
// handed to the job receiver in its own thread as the runner does, reach the
// window in the GUI thread and the logger in its thread, and the benchmark
// ends with the last line in the file. The 50 columns are the plots of one
// plot window (target: at least 2,000 jobs/s).
#include "datalogger.h"
#include "guibenchmain.h"
#include "loggingwindow.h"
#include "loggingwindowhost.h"
#include "plotwindow.h"
#include "plotwindowfeed.h"
#include "resulttableview.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QLoggingCategory>
#include <QPushButton>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

#include <memory>

namespace {
const int jobsPerRun = 2000;
const int resultsPerJob = 50;

CJob makeJob(qint64 stamp, int n)
{
    CJob job("D73N57C0", "STATUS_MESSWERTBLOCK_LESEN");
    job.timeStamp = stamp;
    for (int i = 0; i < resultsPerJob; ++i) {
        CJobResult r;
        r.name = "STAT_RESULT_" + std::to_string(i) + "_WERT";
        r.typeName = "real";
        r.format = 8;
        r.realValue = n * 0.25 + i;
        r.setTextValue(std::to_string(r.realValue));
        job.addResult(r);
    }
    return job;
}

// The main window as the logger window sees it: one plot window, and the
// job receiver's stream.
class Host : public LoggingWindowHost
{
public:
    QList<PlotWindow *> plotWindows() override { return {plot.get()}; }
    bool connectJobListener(QObject *listener) override
    {
        PlotWindowFeed::connect(listener);
        return true;
    }
    std::unique_ptr<PlotWindow> plot;
};

bool waitFor(const std::function<bool()> &done)
{
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > 60000)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    return true;
}
} // namespace

static void BM_JobsThroughLoggingWindow(benchmark::State &state)
{
    // Without "trace" the program prints no debug lines.
    QLoggingCategory::setFilterRules(QStringLiteral("default.debug=false"));
    QTemporaryDir dir;
    const QString previous = QDir::currentPath();
    QDir::setCurrent(dir.path());
    PlotWindowFeed::startReceiver();

    Host host;
    host.plot = std::make_unique<PlotWindow>(CJob("D73N57C0", "STATUS_MESSWERTBLOCK_LESEN"));
    host.plot->onJobFinished(makeJob(QDateTime::currentMSecsSinceEpoch(), 0), 0);
    ResultTableModel *model = host.plot->findChild<ResultTableView *>("tableView")->tableModel();
    for (int r = 0; r < model->rowCount(); ++r)
        model->setCellData(r, 0, Qt::Checked, Qt::CheckStateRole);
    auto *window = new LoggingWindow(nullptr, &host);
    auto *button = window->findChild<QPushButton *>("btnExec");

    int n = 0;
    for (auto _ : state) {
        button->click();
        if (!waitFor([window] { return window->isLogging(); })) {
            state.SkipWithError("the log did not start");
            break;
        }
        const qint64 stamp = QDateTime::currentMSecsSinceEpoch() + 1;
        for (int i = 0; i < jobsPerRun; ++i)
            PlotWindowFeed::send(makeJob(stamp + i, ++n));
        DataLogger *logger = window->dataLogger();
        if (!waitFor([logger] { return logger->lineCount() == jobsPerRun; })) {
            state.SkipWithError("the lines did not arrive");
            break;
        }
        state.PauseTiming();
        button->click();
        waitFor([window] { return !window->isLogging(); });
        for (const QString &log : QDir().entryList({"*.csv", "*.info"}))
            QFile::remove(log);
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * jobsPerRun);
    state.counters["jobs_per_s"] =
        benchmark::Counter(double(state.iterations() * jobsPerRun), benchmark::Counter::kIsRate);
    delete window;
    host.plot.reset();
    QDir::setCurrent(previous);
}
BENCHMARK(BM_JobsThroughLoggingWindow)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);

int main(int argc, char **argv)
{
    return runGuiBenchmarks(argc, argv);
}
