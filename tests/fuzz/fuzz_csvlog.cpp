// CSV logs as outside input: the bytes up to a line "--info--" are the log,
// the rest (if any) its ".info" side file. The log is read whole (as the
// graph window reads it), row by row (as playback reads it: index, parse,
// time of each row) and the side file on its own; nothing may crash, and a
// row read on its own must give what the whole read gave.
#include "csvjobparser.h"
#include "csvlogloader.h"
#include "csvreader.h"
#include "fuzzworkdir.h"
#include "latin1.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cstdint>
#include <cstdlib>
#include <vector>

namespace {
struct Cell
{
    int slot;
    qint64 time;
    double value;
};

struct RecordingSink : CSVLogLoader::Sink
{
    QList<JobInfo> columns;
    std::vector<Cell> cells;
    void begin(const QList<JobInfo> &list, qint64, qint64) override { columns = list; }
    void cell(int slot, qint64 time, double value) override
    {
        if (slot < 0 || slot >= columns.size() || value != value)
            std::abort();
        cells.push_back({slot, time, value});
    }
};
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    Fuzz::ensureApplication("fuzz");
    static QTemporaryDir dir;
    QDir::setCurrent(dir.path());

    const QByteArray input(reinterpret_cast<const char *>(data), int(size));
    const int split = input.indexOf("\n--info--\n");
    const QString log = dir.filePath(QStringLiteral("fuzz.csv"));
    const QString info = log + QStringLiteral(".info");
    QFile::remove(info);
    {
        QFile f(log);
        f.open(QIODevice::WriteOnly | QIODevice::Truncate);
        f.write(split < 0 ? input : input.left(split + 1));
    }
    {
        // Dated back, as a finished log: a log written this very moment is
        // taken for one still being written, and its last line would never
        // be judged.
        QFile f(log);
        if (f.open(QIODevice::ReadOnly))
            f.setFileTime(QDateTime::fromMSecsSinceEpoch(1700000000000), QFileDevice::FileModificationTime);
    }
    if (split >= 0) {
        QFile f(info);
        f.open(QIODevice::WriteOnly | QIODevice::Truncate);
        f.write(input.mid(split + 10));
    }

    RecordingSink sink;
    CSVLogLoader whole;
    const bool wholeOk = whole.load(log, sink);

    CSVReader reader;
    CSVJobParser parser;
    if (reader.load(log, parser) != wholeOk)
        std::abort();
    if (wholeOk) {
        reader.indexTimes(parser);
        // Both reads skip the same rows and give the same cells: each
        // result of a row, in order, is the whole read's next cell, of the
        // same column, time and value.
        size_t next = 0;
        const int rows = reader.rowCount() - 1;
        for (int i = 0; i <= rows + 1; ++i) {
            const QString row = reader.getRow(i);
            for (const CJob &job : parser.parse(row, reader.dayOffset(i))) {
                for (const CJobResult &r : job.results) {
                    if (next >= sink.cells.size())
                        std::abort();
                    const Cell &c = sink.cells[next++];
                    const JobInfo &info = sink.columns[c.slot];
                    if (!(info.job == job) || Latin1::toStd(info.resultName) != r.name || c.time != job.timeStamp
                        || !(c.value == r.realValue))
                        std::abort();
                }
            }
            parser.getTimeFromCol(row.section(parser.separator(), 0, 0));
        }
        if (next != sink.cells.size())
            std::abort();
    }
    if (split >= 0) {
        CSVJobParser sideOnly;
        sideOnly.loadJobsInfoFromFile(info);
        sideOnly.parse(QString::fromLatin1(input.left(200)));
    }
    return 0;
}
