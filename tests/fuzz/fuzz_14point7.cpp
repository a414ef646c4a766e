// The 14Point7 exchange without a port: byte 0 seeds the read sizes, the
// rest is what the controller sends, cut into reads that drive the
// reader's state step from the start byte on; every block it passes on
// goes to the source's decoder. A job comes only of a block of exactly 21
// bytes whose x is finite, and every value in it is finite.
#include "fuzzworkdir.h"
#include "q14point7thread.h"

#include <QCoreApplication>
#include <cmath>
#include <cstdint>
#include <cstdlib>

namespace {
struct Setup
{
    FuzzWorkDir dir;
    Setup()
    {
        Fuzz::ensureApplication("fuzz_14point7");
    }
};
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static Setup setup;
    if (size < 1)
        return 0;
    FuzzCurrentDir cd(setup.dir);
    static Q14Point7Thread source(QStringLiteral("14POINT7"));
    static int jobs = 0;
    static bool connected = false;
    static int blocks = 0;
    if (!connected) {
        connected = true;
        QObject::connect(&source, &Q14Point7Thread::jobFinished, [](const CJob &job, int result) {
            if (result != 0 || job.getResultCount() != 3)
                std::abort();
            for (const CJobResult &r : job.results) {
                if (r.format == 8 && !std::isfinite(r.realValue))
                    std::abort();
            }
            ++jobs;
        });
        // After the decoder: it has made its job, or none, by now.
        QObject::connect(&source.streamReader(), &Q14Point7Reader::dataRead, [](const QByteArray &block) {
            const bool reading = block.size() == Q14Point7Reader::MessageSize
                && std::isfinite(Q14Point7Thread::sensorValue(block));
            if (jobs != (reading ? 1 : 0))
                std::abort();
            jobs = 0;
            ++blocks;
        });
    }
    Q14Point7Reader &reader = source.streamReader();
    reader.beginExchange();
    uint32_t cut = data[0] | 1u;
    const uint8_t *stream = data + 1;
    const size_t length = size - 1;
    size_t at = 0;
    while (at < length) {
        cut = cut * 1103515245u + 12345u;
        const size_t n = std::min<size_t>(length - at, 1 + (cut >> 16) % 48);
        const int before = blocks;
        const int state = reader.state();
        reader.takeBytes(QByteArray(reinterpret_cast<const char *>(stream + at), int(n)));
        // Every read of the answers is passed on and moves the state on;
        // while streaming, a block goes only at 21 bytes or more.
        if (state != Q14Point7Reader::Streaming && (blocks != before + 1 || reader.state() != state + 1))
            std::abort();
        if (state == Q14Point7Reader::Streaming && reader.state() != state)
            std::abort();
        at += n;
    }
    if (jobs != 0)
        std::abort();
    return 0;
}
