// Bytes per second through the serial device decoders, as the reader hands
// them over: PLX one four-sensor frame per call and in 1 KiB blocks of
// gapless frames (only the last frame of a block is decoded), AEM lines
// through the line collector and the handler. A PLX hub sends at most
// 19200 baud (under 2 KB/s), an AEM gauge 9600 baud; the target is at
// least 10 MB/s each. 14Point7 21-byte data messages through the source's
// decoder (onDataRead), as the reader passes them on; a controller answers
// at 14400 baud, well under 2 KB/s.
#include "aemdatahandler.h"
#include "extlinecollector.h"
#include "plxdatahandler.h"
#include "plxstream.h"
#include "q14point7thread.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <cstring>

namespace {

QByteArray plxFrame(int n)
{
    return PlxStream::frame({{0, 0, 96 + n % 100}, {6, 0, 100 + n % 50}, {4, 0, 500}, {2, 1, 90}});
}

// A working directory with the definitions and a configuration, so that
// the handler names and converts as it does in use.
struct PlxFixture
{
    QTemporaryDir dir;
    QString previous = QDir::currentPath();
    PlxFixture()
    {
        QDir::setCurrent(dir.path());
        QDir().mkpath("config");
        QFile defs("config/PLXSensors.xml");
        defs.open(QIODevice::WriteOnly);
        defs.write("<D><SensorDefinition><n>Wideband</n><a>0</a><u><x name=\"AFR\" num=\"1\"/></u>"
                   "</SensorDefinition><SensorDefinition><n>RPM</n><a>6</a><u><x name=\"RPM\" num=\"0\"/></u>"
                   "</SensorDefinition></D>");
        defs.close();
        QFile conf("config/PLXSensorsConfig.xml");
        conf.open(QIODevice::WriteOnly);
        conf.write("<SensorConfigs><SensorConfig address=\"0\" instance=\"0\" unitNum=\"1\"/>"
                   "<SensorConfig address=\"6\" instance=\"0\" unitNum=\"0\"/></SensorConfigs>");
    }
    ~PlxFixture() { QDir::setCurrent(previous); }
};

// Hands the stream to the handler in reads of `read` bytes, round and
// round (the stream is a whole number of reads).
void runPlx(benchmark::State &state, const QByteArray &stream, int read)
{
    PlxFixture fixture;
    PLXDataHandler handler;
    int64_t bytes = 0;
    int at = 0;
    for (auto _ : state) {
        QByteArray data = stream.mid(at, read);
        at = (at + read) % stream.size();
        bytes += data.size();
        CJob job;
        bool valid = false;
        handler.onDataReceived(data, job, valid);
        benchmark::DoNotOptimize(job.results.constData());
    }
    state.SetBytesProcessed(bytes);
}

// One four-sensor frame per call, as a hub that pauses between frames.
void BM_PlxFramePerCall(benchmark::State &state)
{
    QByteArray stream;
    for (int i = 0; i < 64; ++i)
        stream += plxFrame(i);
    runPlx(state, stream, plxFrame(0).size());
}
BENCHMARK(BM_PlxFramePerCall);

// 1 KiB blocks of gapless frames: the last complete frame of each.
void BM_PlxBlocks(benchmark::State &state)
{
    QByteArray stream;
    for (int i = 0; stream.size() < 64 * 1024 + 1024; ++i)
        stream += plxFrame(i);
    runPlx(state, stream.left(64 * 1024 + 1024), 1024);
}
BENCHMARK(BM_PlxBlocks);

void BM_AemLines(benchmark::State &state)
{
    AEMDataHandler handler;
    handler.setJobName("AEM_AFR");
    handler.setResultName("AEM_AFR_VALUE");
    handler.setResultDisplayName("Air/fuel ratio");
    // A read of 64 lines as the gauge sends them.
    QByteArray block;
    for (int i = 0; i < 64; ++i)
        block += QByteArray::number(10.0 + i * 0.125, 'f', 2) + "\t1\r\n";
    ExtLineCollector collector;
    collector.feed("\r", 1);
    int64_t bytes = 0;
    for (auto _ : state) {
        collector.feed(block);
        bytes += block.size();
        QByteArray line;
        while (collector.takeLine(line)) {
            CJob job;
            bool valid = false;
            handler.onDataReceived(line, job, valid);
            benchmark::DoNotOptimize(job.results.constData());
        }
    }
    state.SetBytesProcessed(bytes);
}
BENCHMARK(BM_AemLines);

// One data message per call, x and boost varying over a sweep.
void BM_14Point7Messages(benchmark::State &state)
{
    QTemporaryDir dir;
    const QString previous = QDir::currentPath();
    QDir::setCurrent(dir.path());
    Q14Point7Thread source(QStringLiteral("14POINT7"));
    QDir::setCurrent(previous);
    int64_t jobs = 0;
    QObject::connect(&source, &Q14Point7Thread::jobFinished, [&jobs](const CJob &job, int) {
        benchmark::DoNotOptimize(job.results.constData());
        ++jobs;
    });
    QVector<QByteArray> messages;
    for (int i = 0; i < 64; ++i) {
        QByteArray m = QByteArray::fromHex("000000000102030405060708090a0b0c0d000e0f10");
        const float x = -40.0f + i * 0.75f;
        quint32 bits;
        std::memcpy(&bits, &x, sizeof bits);
        for (int b = 0; b < 4; ++b)
            m[b] = char(bits >> (24 - 8 * b));
        m[17] = char(30 + i);
        messages << m;
    }
    int64_t bytes = 0;
    int at = 0;
    for (auto _ : state) {
        const QByteArray &m = messages.at(at);
        at = (at + 1) % messages.size();
        source.onDataRead(m);
        bytes += m.size();
    }
    if (jobs * 21 != bytes)
        state.SkipWithError("a message gave no job");
    state.SetBytesProcessed(bytes);
}
BENCHMARK(BM_14Point7Messages);

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
