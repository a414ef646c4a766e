// Cost of the 2-D chart: samples binned into its five value tables on the
// default grid (11 x 11 cells), whole jobs searched for X, Y and Z, and one
// grid change with every cell of a 51 x 51 grid filled in all five tables,
// which bins every stored cell anew and re-formats the tables. The window is
// shown offscreen and painted as the event loop would.
#include "basic2dchart.h"
#include "basic2dcharttableview.h"
#include "cjob.h"
#include "guibenchmain.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QDir>
#include <QTemporaryDir>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <memory>

namespace {
std::unique_ptr<Basic2DChart> makeChart(int bins)
{
    auto chart = std::make_unique<Basic2DChart>();
    chart->resize(851, 763);
    chart->show();
    chart->findChild<QLineEdit *>("txtRows")->setText(QString::number(bins));
    chart->findChild<QLineEdit *>("txtCols")->setText(QString::number(bins));
    // Set Value makes the chart ready without chosen keys.
    chart->findChild<QPushButton *>("btnSetVal")->click();
    chart->findChild<QPushButton *>("pushButton")->click();
    QCoreApplication::processEvents();
    return chart;
}

// A job as the runner hands it on: a dozen real results in "%E" text.
CJob makeJob(double x, double y, double z)
{
    CJob job("D73N57C0", "MW_SELECT_LESEN_NORM");
    for (int i = 0; i < 12; ++i) {
        CJobResult r;
        r.name = "STAT_VALUE_" + std::to_string(i) + "_WERT";
        r.format = 8;
        r.typeName = "real";
        r.realValue = i == 3 ? x : i == 7 ? y : i == 9 ? z : i;
        r.setTextValue(QString::asprintf("%E", r.realValue).toStdString());
        job.addResult(r);
    }
    return job;
}

void BM_SamplesIntoFiveViews(benchmark::State &state)
{
    auto chart = makeChart(10);
    long n = 0;
    for (auto _ : state) {
        const double x = double((n * 7919) % 10000);
        const double y = double((n * 31) % 100);
        chart->setCellValue(x, y, double(n % 97));
        if (++n % 100 == 0)
            QCoreApplication::processEvents();
    }
    state.SetItemsProcessed(n);
}

void BM_JobsIntoChart(benchmark::State &state)
{
    auto chart = makeChart(10);
    chart->onJobFinished(makeJob(0, 0, 0), 0);
    // The keys of a job of an ECU name the ECU.
    auto key = [](int i) { return QStringLiteral("MW_SELECT_LESEN_NORM.STAT_VALUE_%1_WERT (D73N57C0)").arg(i); };
    chart->findChild<QComboBox *>("cmbXResult")->setCurrentText(key(3));
    chart->findChild<QComboBox *>("cmbYResult")->setCurrentText(key(7));
    chart->findChild<QComboBox *>("cmbCell")->setCurrentText(key(9));
    chart->findChild<QPushButton *>("pushButton")->click();
    std::vector<CJob> jobs;
    for (int i = 0; i < 1000; ++i)
        jobs.push_back(makeJob(double((i * 7919) % 10000), double((i * 31) % 100), double(i % 97)));
    long n = 0;
    for (auto _ : state) {
        chart->onJobFinished(jobs[size_t(n % 1000)], 0);
        if (++n % 100 == 0)
            QCoreApplication::processEvents();
    }
    state.SetItemsProcessed(n);
}

void BM_GridChange51x51Filled(benchmark::State &state)
{
    auto chart = makeChart(50);
    const ChartVariables &vars = chart->chartVariables();
    // One sample at the centre of every cell.
    for (int row = 0; row <= 50; ++row)
        for (int col = 0; col <= 50; ++col)
            chart->setCellValue(200.0 * col + 100.0, 2.0 * row + 1.0, row * 51 + col);
    QCoreApplication::processEvents();
    int cells = 0;
    for (auto *view : chart->findChildren<Basic2DChartTableView *>())
        cells += view->store().size();
    // Limits that move by less than half a cell: every cell is binned anew
    // and stays a cell of its own.
    long n = 0;
    for (auto _ : state) {
        const int shift = int(++n % 2);
        chart->initModel(50, 50, int(vars.xMax) == 10000 ? 10001 : 10000, 100, shift, 0);
        QCoreApplication::processEvents();
    }
    state.counters["stored cells"] = cells;
}
} // namespace

BENCHMARK(BM_SamplesIntoFiveViews)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_JobsIntoChart)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_GridChange51x51Filled)->Unit(benchmark::kMillisecond);

int main(int argc, char **argv)
{
    // The chart keeps its chosen keys in "kelvo.ini" of the working directory.
    QTemporaryDir dir;
    QDir::setCurrent(dir.path());
    return runGuiBenchmarks(argc, argv);
}
