// Bytes per second of an Innovate MTS stream through the stream parser
// alone, and through the stream handler and the data handler into jobs of
// named, converted results (two devices: a lambda and four analog inputs,
// 12-byte packets as an LM-2 chain sends them). The chain sends at most
// 19200 baud (under 2 KB/s); the target is at least 1 MB/s through the
// handler and 20 MB/s through the parser.
#include "innovatedatahandler.h"
#include "mtsstreamparser.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {

QByteArray word(int v)
{
    return QByteArray(1, char((v >> 7) & 0x3F)) + char(v & 0x7F);
}

// One data packet: a lambda record and four analog words.
QByteArray packet(int n)
{
    QByteArray words;
    words.append(char(0x43)).append(char(0x13)) += word(480 + n % 40);
    for (int i = 0; i < 4; ++i)
        words += word((n * 37 + i * 200) % 1024);
    return QByteArray(1, char(0xB2)) + char(0x80 | (words.size() / 2)) + words;
}

QByteArray stream()
{
    QByteArray s;
    for (int n = 0; n < 100; ++n)
        s += packet(n);
    return s;
}

void write(const char *name, const char *text)
{
    QFile f(name);
    f.open(QIODevice::WriteOnly);
    f.write(text);
}

struct Fixture
{
    QTemporaryDir dir;
    QString previous = QDir::currentPath();
    Fixture()
    {
        QDir::setCurrent(dir.path());
        QDir().mkpath("config");
        write("config/SensorDefs.xml",
              "<D><Configuration><n>LAMBDA</n><u>AFR</u><a>7</a><b>23</b></Configuration>"
              "<Configuration><n>TEMP</n><u num=\"0\">degC</u><a>-40</a><b>150</b></Configuration></D>");
        write("config/DeviceDefs.xml", "<D><dev type=\"LM-2\"><c defaultFunc=\"LAMBDA\"/></dev></D>");
        write("config/InputConfigs.xml",
              "<InputConfigs><InputConfig SensorPrefix=\"LM-2\" devType=\"LM-2\">"
              "<input><number>1</number><config>LAMBDA</config></input></InputConfig>"
              "<InputConfig SensorPrefix=\"AUX4\" devType=\"AUX4\">"
              "<input><number>1</number><config unitNum=\"1\">TEMP</config></input>"
              "<input><number>2</number><config unitNum=\"0\">TEMP</config></input>"
              "<input><number>3</number><config unitNum=\"0\">TEMP</config></input>"
              "<input><number>4</number><config unitNum=\"0\">TEMP</config></input></InputConfig></InputConfigs>");
    }
    ~Fixture() { QDir::setCurrent(previous); }
};

void BM_MtsParser(benchmark::State &state)
{
    const QByteArray bytes = stream();
    MTSStreamParser parser;
    InnovateMTSPacket packet;
    int64_t packets = 0;
    for (auto _ : state) {
        for (char c : bytes) {
            if (parser.feed(quint8(c))) {
                parser.copyPacket(packet);
                ++packets;
            }
        }
        benchmark::DoNotOptimize(packet.channelCount);
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * bytes.size());
    state.counters["packets"] = benchmark::Counter(double(packets), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_MtsParser);

void BM_InnovateHandler(benchmark::State &state)
{
    Fixture fixture;
    InnovateDataHandler handler(QStringLiteral("INNOVATE"));
    int64_t results = 0;
    QObject::connect(&handler, &InnovateDataHandler::jobFinished,
                     [&results](const CJob &job, int) { results += job.getResultCount(); });
    const QByteArray names("\xA2\x89\x01\x4E\x01LM-2\0\0\0\x01" "AUX4\0\0\0", 20);
    const QByteArray types = QByteArray::fromHex("A28901731120") + "LM-2" + QByteArray::fromHex("03871120")
                             + "AUX4" + QByteArray::fromHex("0387");
    handler.streamHandler().feed(names + types);
    const QByteArray bytes = stream();
    for (auto _ : state)
        handler.streamHandler().feed(bytes);
    state.SetBytesProcessed(int64_t(state.iterations()) * bytes.size());
    state.counters["results"] = benchmark::Counter(double(results), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_InnovateHandler);

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
