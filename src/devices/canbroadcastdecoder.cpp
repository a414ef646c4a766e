#include "canbroadcastdecoder.h"

#include "cjob.h"
#include "extsourceresult.h"

bool CANBroadcastDecoder::takeLine(const char *line, int size)
{
    if (!CANFrame::parseStamped(line, size, frame))
        return false;
    if (frames > 0 && frame.timeStamp < previousStamp)
        ++wrapCount;
    previousStamp = frame.timeStamp;
    if (frames == 0)
        first = unwrappedTime();
    ++frames;
    decode();
    return true;
}

void CANBroadcastDecoder::decode()
{
    // A value whose bytes the frame does not carry (a cut or empty frame)
    // keeps its last reading: a missing byte read as 0 would be a false one.
    const int n = frame.data.size();
    auto d = [this](int i) -> unsigned { return uchar(frame.data.at(i)); };
    switch (frame.identifier) {
    case 0x0CE:
        for (int w = 0; w < 4 && 2 * w + 1 < n; ++w)
            values[WheelSpeed1 + w] = d(2 * w + 1) * 256 + d(2 * w);
        break;
    case 0x0AA:
        if (n > 3)
            values[Pedal] = d(3) * 0.39;
        if (n > 5)
            values[EngineSpeed] = (d(5) * 256 + d(4)) * 0.25;
        break;
    case 0x1A0:
        if (n > 1)
            values[VehicleSpeed] = ((d(1) & 0x0F) * 256 + d(0)) * 0.1;
        break;
    default:
        break;
    }
}

void CANBroadcastDecoder::fillJob(CJob &job) const
{
    static const char *const names[ValueCount][2] = {
        {"wspd1", "Wheel Speed1"}, {"wspd2", "Wheel Speed2"}, {"wspd3", "Wheel Speed3"}, {"wspd4", "Wheel Speed4"},
        {"RPM", "RPM"},           {"Pedal", "Pedal"},         {"Speed", "Speed"},
    };
    job.results.resize(ValueCount);
    for (int v = 0; v < ValueCount; ++v) {
        CJobResult &r = job.results[v];
        r.name = names[v][0];
        r.displayName = names[v][1];
        ExtSourceResult::setReal(r, values[v]);
    }
}
