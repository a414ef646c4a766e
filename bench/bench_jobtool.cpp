// A 1 MB memory dump with the job tool: 4,129 blocks of 254 bytes read
// through the EDIABAS stand-in's memory generator (no busy time), from
// Start to the end line, with the window offscreen. Reports blocks/s.
#include "crunner.h"
#include "ediabasstandin.h"
#include "guibenchmain.h"
#include "jobmetatypes.h"
#include "jobtool.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QEventLoop>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {

const int blocks = 4129;

void BM_JobToolDump(benchmark::State &state)
{
    EdiabasStandIn::reset();
    EdiabasStandIn::loadScript(R"({"ecus": {"MSV70": {"jobs": {"SPEICHER_LESEN": {"generator": "memory"}}}}})");
    JobTool tool;
    tool.show();
    tool.findChild<QRadioButton *>("radTotalLen")->setChecked(true);
    tool.findChild<QLineEdit *>("totalDataLengthEdit")->setText(QString::number(blocks * 254));
    QComboBox *target = tool.findChild<QComboBox *>("iterationTargetCombo");
    target->setCurrentIndex(target->findText("arg2"));
    QComboBox *amount = tool.findChild<QComboBox *>("iterationAmountFieldComboBox");
    amount->setCurrentIndex(amount->findText("arg3"));
    QPushButton *start = tool.findChild<QPushButton *>("pushButton");
    for (auto _ : state) {
        QEventLoop loop;
        QObject::connect(&tool, &JobTool::readFinished, &loop, &QEventLoop::quit);
        start->click();
        loop.exec();
        state.PauseTiming();
        QFile::remove(tool.dumpFileName());
        state.ResumeTiming();
    }
    state.counters["blocks/s"] = benchmark::Counter(double(blocks) * state.iterations(), benchmark::Counter::kIsRate);
    CRunner::endEdiabas();
}
BENCHMARK(BM_JobToolDump)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

} // namespace

int main(int argc, char **argv)
{
    return runGuiBenchmarksInTempDir(argc, argv);
}
