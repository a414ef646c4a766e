// CAN frames per second: stamped SLCAN lines through the listener's parse
// and decoder, and ISO-TP frames of 60-byte ECU answers (a first frame and
// ten consecutive frames) through the reassembly. A CAN bus at 1 Mbit/s
// carries about 8,000 frames/s; the target is at least 1,000,000 frames/s
// each.
#include "canbroadcastdecoder.h"
#include "canframe.h"
#include "cantransport.h"

#include <QByteArray>
#include <QList>
#include <benchmark/benchmark.h>

namespace {
void BM_SlcanLines(benchmark::State &state)
{
    const QList<QByteArray> lines = {"t0AA800000064401f00001234", "t0CE81027102710271027123a",
                                     "t1A02e8f31240", "t0AA800000070401f00001246"};
    CANBroadcastDecoder decoder;
    int64_t frames = 0;
    size_t i = 0;
    for (auto _ : state) {
        const QByteArray &line = lines[i++ & 3];
        benchmark::DoNotOptimize(decoder.takeLine(line));
        ++frames;
    }
    benchmark::DoNotOptimize(decoder.value(CANBroadcastDecoder::EngineSpeed));
    state.counters["frames/s"] = benchmark::Counter(double(frames), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_SlcanLines);

void BM_FrameParse(benchmark::State &state)
{
    const QByteArray line = "t61281021123456789abc";
    CANFrame frame;
    int64_t frames = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(CANFrame::parse(line, frame));
        ++frames;
    }
    state.counters["frames/s"] = benchmark::Counter(double(frames), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_FrameParse);

void BM_IsoTpAnswers(benchmark::State &state)
{
    // A 60-byte answer from 0x612: one first frame and ten consecutive ones.
    QList<CANFrame> frames;
    auto add = [&frames](const QByteArray &data) {
        CANFrame f;
        f.identifier = 0x612;
        f.data = data;
        f.length = data.size();
        frames << f;
    };
    QByteArray payload;
    for (int i = 0; i < 60; ++i)
        payload.append(char(i));
    add(QByteArray("\xF1\x10\x3C", 3) + payload.left(5));
    int seq = 1;
    for (int at = 5; at < 60; at += 6, ++seq)
        add(QByteArray(1, char(0xF1)) + char(0x20 | seq) + payload.mid(at, 6));
    CANTransport transport;
    int64_t done = 0;
    int64_t count = 0;
    for (auto _ : state) {
        for (const CANFrame &f : frames)
            done += transport.reassemble(f) == CANTransport::Complete;
        count += frames.size();
    }
    if (done * int64_t(frames.size()) != count)
        state.SkipWithError("an answer did not complete");
    state.counters["frames/s"] = benchmark::Counter(double(count), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_IsoTpAnswers);
} // namespace

BENCHMARK_MAIN();
