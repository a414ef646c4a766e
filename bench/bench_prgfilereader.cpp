// Opening a large ECU description file: 200 jobs and 20 tables of 1,000 rows,
// every list and every table read, then the job catalogue built from it.
#include "joblistfilereader.h"
#include "prgfilereader.h"
#include "prgwriter.h"

#include <QDir>
#include <QLoggingCategory>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {

void quiet(QtMsgType, const QMessageLogContext &, const QString &)
{
}

struct BigFile
{
    BigFile()
    {
        qInstallMessageHandler(quiet);
        QLoggingCategory::setFilterRules(QStringLiteral("*.debug=false"));
        QByteArray description = "ECU:Benchmark engine\n";
        for (int j = 0; j < 200; ++j) {
            description += "JOBNAME:STATUS_JOB_" + QByteArray::number(j) + "\n";
            description += "JOBCOMMENT:Job number " + QByteArray::number(j) + "\n";
            for (int r = 0; r < 5; ++r) {
                description += "RESULT:STAT_RESULT_" + QByteArray::number(j) + "_" + QByteArray::number(r) + "_WERT\n";
                description += "RESULTTYPE:real\nRESULTCOMMENT:a measured value\n";
            }
        }
        PrgWriter w;
        w.setDescription(description);
        w.jobsFromDescription();
        for (int t = 0; t < 20; ++t) {
            QList<QList<QByteArray>> rows;
            for (int r = 0; r < 1000; ++r)
                rows << QList<QByteArray>{"0x" + QByteArray::number(r, 16), "STAT_VALUE_" + QByteArray::number(r),
                                          "Some information about value " + QByteArray::number(r), "degC"};
            w.addTable("TABLE_" + QByteArray::number(t), {"NR", "RESULTNAME", "INFO", "EINHEIT"}, rows);
        }
        w.write(dir.filePath("ecu/BENCH.prg"), &layout);
    }
    QTemporaryDir dir;
    PrgWriter::Layout layout;
};

BigFile &bigFile()
{
    static BigFile f;
    return f;
}

void BM_ReadEverything(benchmark::State &state)
{
    BigFile &f = bigFile();
    qint64 bytes = 0;
    for (auto _ : state) {
        PRGFileReader reader;
        reader.setEcuDirectory(f.dir.filePath("ecu"));
        const QStringList tables = reader.tableNames("BENCH.prg");
        const QStringList jobs = reader.jobNames("BENCH.prg");
        const QString text = reader.readDescriptionBlock("BENCH.prg");
        const QString first = reader.readDescriptionText("BENCH.prg");
        qint64 cells = 0;
        for (const QString &name : tables) {
            PRGTable *t = reader.readTable("BENCH.prg", name);
            cells += t ? t->text.size() : 0;
            delete t;
        }
        if (tables.size() != 20 || jobs.size() != 200 || text.isEmpty() || first.isEmpty())
            state.SkipWithError("file not read back");
        benchmark::DoNotOptimize(cells);
        bytes += f.layout.size;
    }
    state.SetBytesProcessed(bytes);
}
BENCHMARK(BM_ReadEverything)->Unit(benchmark::kMillisecond);

void BM_CatalogueFromPrg(benchmark::State &state)
{
    BigFile &f = bigFile();
    const QString previous = QDir::currentPath();
    QDir::setCurrent(f.dir.path());
    for (auto _ : state) {
        JobListFileReader reader;
        CPRGFile *prg = reader.createPrgFromPrg("BENCH", true);
        if (prg->getJobCount() != 200)
            state.SkipWithError("jobs missing");
        delete prg;
    }
    QDir::setCurrent(previous);
}
BENCHMARK(BM_CatalogueFromPrg)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
