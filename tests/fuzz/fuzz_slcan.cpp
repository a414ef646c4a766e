// Adapter text through both frame parses and the CAN listener's decoder,
// cut into lines at "\r": a line parses only as a real frame line (which
// then prints back to itself up to letter case), the stamped parse
// accepts a subset of the plain one, and only stamped frames reach the
// decoder's values and clock.
#include "canbroadcastdecoder.h"
#include "canframe.h"

#include <QByteArray>
#include <QList>
#include <cmath>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray text = QByteArray::fromRawData(reinterpret_cast<const char *>(data), int(size));
    CANBroadcastDecoder decoder;
    quint64 lastTime = 0;
    int frames = 0;
    for (const QByteArray &line : text.split('\r')) {
        CANFrame plain, stamped;
        const bool p = CANFrame::parse(line, plain);
        const bool s = CANFrame::parseStamped(line, stamped);
        if (s && !p)
            std::abort();
        if (p) {
            if (line.at(0) != 't' || line.size() > CANFrame::MaxLine || plain.identifier > 0x7FF
                || plain.data.size() != plain.length || plain.length > CANFrame::MaxLength
                || plain.timeStamp > 0xFFFF)
                std::abort();
            // The frame prints back to the line (without its stamp).
            if (plain.toSlcan().toLower() != line.left(5 + 2 * plain.length).toLower())
                std::abort();
        }
        const int wrapsBefore = decoder.wraps();
        const bool taken = decoder.takeLine(line);
        if (taken != s)
            std::abort();
        if (!taken) {
            if (decoder.wraps() != wrapsBefore)
                std::abort();
            continue;
        }
        ++frames;
        // The unwrapped clock never runs backwards.
        if (frames > 1 && decoder.unwrappedTime() < lastTime)
            std::abort();
        lastTime = decoder.unwrappedTime();
        for (int v = 0; v < CANBroadcastDecoder::ValueCount; ++v) {
            if (!std::isfinite(decoder.value(v)) || decoder.value(v) < 0)
                std::abort();
        }
    }
    return 0;
}
