// The PLX stream through the handler, cut into reads by the input itself:
// byte 0 seeds the read sizes, the rest is the stream. A reading is valid
// only when a frame of 6-bit bytes between 0x80 and 0x40, whole 5-byte
// records and at least one, ended in that read, and it then holds the
// records of the last such frame.
#include "fuzzworkdir.h"
#include "plxdatahandler.h"

#include <QCoreApplication>
#include <cstdint>
#include <cstdlib>

namespace {
struct Setup
{
    FuzzWorkDir dir;
    Setup()
    {
        Fuzz::ensureApplication("fuzz_plx");
        // A configuration is present, so no input rewrites it.
        dir.write("config/PLXSensorsConfig.xml",
                  "<SensorConfigs><SensorConfig address=\"0\" instance=\"0\" unitNum=\"1\"/></SensorConfigs>");
        dir.write("config/PLXSensors.xml",
                  "<D><SensorDefinition><n>AFR</n><a>0</a><u><x name=\"AFR\" num=\"1\"/></u></SensorDefinition></D>");
    }
};

// The record count of the last frame ending in [from, to) of the stream,
// or -1 when none ends there: a frame is 0x80, whole records of 6-bit
// bytes (one or more) and 0x40, no longer than the decoder keeps.
int lastFrameRecords(const uint8_t *s, size_t from, size_t to)
{
    for (size_t end = to; end-- > from;) {
        if (s[end] != 0x40)
            continue;
        size_t start = end;
        while (start > 0 && s[start - 1] <= 0x3F)
            --start;
        if (start == 0 || s[start - 1] != 0x80)
            continue;
        const size_t length = end - (start - 1) + 1;
        if (length > size_t(PLXStreamDecoder::MaxFrame) || length < 7 || (length - 2) % 5 != 0)
            continue;
        return int((length - 2) / 5);
    }
    return -1;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static Setup setup;
    if (size < 1)
        return 0;
    FuzzCurrentDir cd(setup.dir);
    // One handler for the run; a byte above 0x3F ends any frame the last
    // input left open, as garbage on the line would.
    static PLXDataHandler handler;
    {
        QByteArray reset("\xff");
        CJob job;
        bool valid = true;
        handler.onDataReceived(reset, job, valid);
        if (valid)
            std::abort();
    }
    uint32_t cut = data[0] | 1u;
    const uint8_t *stream = data + 1;
    const size_t length = size - 1;
    size_t at = 0;
    while (at < length) {
        cut = cut * 1103515245u + 12345u;
        const size_t n = std::min<size_t>(length - at, 1 + (cut >> 16) % 64);
        QByteArray block(reinterpret_cast<const char *>(stream + at), int(n));
        CJob job;
        bool valid = false;
        handler.onDataReceived(block, job, valid);
        const int expected = lastFrameRecords(stream, at, at + n);
        if (valid != (expected >= 0) || (valid && job.getResultCount() != expected))
            std::abort();
        if (!block.isEmpty())
            std::abort(); // every byte consumed
        at += n;
    }
    return 0;
}
