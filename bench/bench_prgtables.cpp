// The PRG table browser and the custom-job window on a large table: 5,000
// rows of 12 columns (5 of them hidden), every row's long text translated.
// Refresh (the table read before, and read anew), one search keystroke, and
// 40 selectors of a custom job resolved against the table.
#include "customjobtables.h"
#include "guibenchmain.h"
#include "jobmetatypes.h"
#include "lreleasetool.h"
#include "managecustomjobform.h"
#include "prgfilereader.h"
#include "prgtabletest.h"
#include "prgwriter.h"
#include "translationmgr.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QLoggingCategory>
#include <QPushButton>
#include <QStandardItemModel>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <memory>

namespace {

const int Rows = 5000;
const int Selectors = 40;

void quiet(QtMsgType, const QMessageLogContext &, const QString &)
{
}

QByteArray address(int row)
{
    return QByteArray::number(0x1000 + row, 16).toUpper();
}

// ecu/BENCH.prg with the table, the catalogue of its long texts and a
// custom job with 40 selectors spread over the table.
void writeFiles()
{
    PrgWriter w;
    w.setDescription("ECU:Benchmark engine\nJOBNAME:MW_SELECT_LESEN_NORM\n");
    w.jobsFromDescription();
    QList<QList<QByteArray>> rows;
    QByteArray catalogue;
    for (int r = 0; r < Rows; ++r) {
        const QByteArray n = QByteArray::number(r);
        rows << QList<QByteArray>{"0x" + address(r), "0x" + QByteArray::number(r, 16), "VALUE_" + n,
                                  "Gemessener Wert Nummer " + n, "degC", "H", "1", "10", "0", "unsigned int",
                                  "Temperaturbereich " + QByteArray::number(r % 50), "Kommentar zu " + n};
        catalogue += "STAT_VALUE_" + n + "_WERT\tRES_L\tMeasured value number " + n + "\n";
    }
    w.addTable("BETRIEBSWTAB",
               {"ADR_ALT", "ADR", "NAME", "LNAME", "EINHEIT", "L/H", "MUL", "DIV", "ADD", "DATA_TYPE", "BEREICH",
                "KOMMENTAR"},
               rows);
    QDir().mkpath("ecu");
    w.write("ecu/BENCH.prg");
    QDir().mkpath("translations");
    QFile table("translations/jobs_all_en_EN.txt");
    table.open(QIODevice::WriteOnly);
    table.write(catalogue);
    table.close();
    LReleaseTool::compileTable(table.fileName());

    QByteArray arguments;
    for (int i = 0; i < Selectors; ++i)
        arguments += address(i * (Rows / Selectors) + 7);
    QDir().mkpath("config");
    QFile store("config/customjobs.xml");
    store.open(QIODevice::WriteOnly);
    store.write("<customjobs><customjob ecu=\"BENCH\"><jobname>MW_SELECT_LESEN_NORM</jobname>"
                "<virtualname>SET_1</virtualname><comment>Forty</comment><argument>"
                + arguments + "</argument></customjob></customjobs>\n");
}

// A working folder with the files, made the working directory on first use
// (after the application object exists), with the translations loaded.
void setUp()
{
    static QTemporaryDir *dir = nullptr;
    if (dir)
        return;
    qInstallMessageHandler(quiet);
    QLoggingCategory::setFilterRules(QStringLiteral("*.debug=false"));
    JobMetaTypes::registerAll();
    dir = new QTemporaryDir;
    QDir::setCurrent(dir->path());
    writeFiles();
    TranslationMgr::instance();
}

std::unique_ptr<PRGTableTest> shownBrowser()
{
    setUp();
    std::unique_ptr<PRGTableTest> b(new PRGTableTest);
    b->resize(1000, 700);
    b->show();
    QCoreApplication::processEvents();
    return b;
}

// Refresh of a table the window has read before.
void BM_RefreshCached(benchmark::State &state)
{
    std::unique_ptr<PRGTableTest> b = shownBrowser();
    b->setEcu("BENCH");
    b->setTable("BETRIEBSWTAB");
    QPushButton *refresh = b->findChild<QPushButton *>("pushButton");
    for (auto _ : state) {
        refresh->click();
        QCoreApplication::processEvents();
    }
    state.counters["rows"] = b->sourceModel()->rowCount();
}
BENCHMARK(BM_RefreshCached)->Unit(benchmark::kMillisecond);

// The first Refresh of a new window: the table read from the file as well.
void BM_RefreshFirst(benchmark::State &state)
{
    for (auto _ : state) {
        state.PauseTiming();
        std::unique_ptr<PRGTableTest> b = shownBrowser();
        state.ResumeTiming();
        b->setEcu("BENCH");
        b->setTable("BETRIEBSWTAB");
        QCoreApplication::processEvents();
        state.PauseTiming();
        b.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_RefreshFirst)->Unit(benchmark::kMillisecond);

// One keystroke in the search field: the search text grows by one letter,
// or (every sixth) is cleared again.
void BM_SearchKeystroke(benchmark::State &state)
{
    std::unique_ptr<PRGTableTest> b = shownBrowser();
    b->setEcu("BENCH");
    b->setTable("BETRIEBSWTAB");
    QLineEdit *search = b->findChild<QLineEdit *>("lineEdit");
    const QStringList texts = {"n", "nu", "num", "numb", "number 4", ""};
    int i = 0;
    for (auto _ : state) {
        search->setText(texts.at(i++ % texts.size()));
        QCoreApplication::processEvents();
    }
}
BENCHMARK(BM_SearchKeystroke)->Unit(benchmark::kMillisecond);

// The 40 selectors resolved against the table's text: the row step alone.
void BM_ResolveSelectors(benchmark::State &state)
{
    setUp();
    PRGFileReader reader;
    std::unique_ptr<PRGTable> table(reader.readTable("BENCH.prg", "BETRIEBSWTAB"));
    QFile store("config/customjobs.xml");
    store.open(QIODevice::ReadOnly);
    const QByteArray xml = store.readAll();
    const int from = xml.indexOf("<argument>") + 10;
    const QString arguments = QString::fromLatin1(xml.mid(from, xml.indexOf("</argument>") - from));
    int rows = 0;
    for (auto _ : state) {
        const CustomJobTables::SelectorRows resolved = CustomJobTables::selectorRows(
            table->text, "BETRIEBSWTAB", "BENCH", "MW_SELECT_LESEN_NORM", arguments, TranslationMgr::instance());
        rows = resolved.rows.size();
        benchmark::DoNotOptimize(rows);
    }
    state.counters["selectors"] = rows;
}
BENCHMARK(BM_ResolveSelectors)->Unit(benchmark::kMillisecond);

// The custom-job window rebuilding its selector table (the table cached).
void BM_SelectorTableRebuild(benchmark::State &state)
{
    setUp();
    ManageCustomJobForm form;
    form.show();
    QCoreApplication::processEvents();
    for (auto _ : state) {
        form.on_cmbJobs_activated(0);
        QCoreApplication::processEvents();
    }
    state.counters["rows"] = form.selectorModel()->rowCount();
}
BENCHMARK(BM_SelectorTableRebuild)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    return runGuiBenchmarks(argc, argv);
}
