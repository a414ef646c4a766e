#include "plxstreamdecoder.h"

void PLXStreamDecoder::reset()
{
    buffer.clear();
    inFrame = false;
}

bool PLXStreamDecoder::feed(const char *bytes, int count, QByteArray &frame)
{
    bool complete = false;
    for (int i = 0; i < count; ++i) {
        const unsigned char b = static_cast<unsigned char>(bytes[i]);
        if (b == Start) {
            if (inFrame && buffer.size() > 1)
                ++dropped;
            buffer.clear();
            buffer.append(char(b));
            inFrame = true;
        } else if (!inFrame) {
            // Garbage between frames.
        } else if (b == Stop) {
            // Start byte and whole records only: any other length is a cut
            // frame whose records would be read shifted.
            const int body = buffer.size() - 1;
            if (body > 0 && body % RecordSize == 0) {
                buffer.append(char(b));
                frame = buffer;
                complete = true;
            } else {
                ++dropped;
            }
            buffer.clear();
            inFrame = false;
        } else if (b > 0x3F || buffer.size() >= MaxFrame - 1) {
            ++dropped;
            buffer.clear();
            inFrame = false;
        } else {
            buffer.append(char(b));
        }
    }
    return complete;
}

int PLXStreamDecoder::recordCount(const QByteArray &frame)
{
    if (frame.size() < 2 + RecordSize)
        return 0;
    return (frame.size() - 2) / RecordSize;
}

PLXStreamDecoder::Record PLXStreamDecoder::record(const QByteArray &frame, int k)
{
    const int at = 1 + k * RecordSize;
    auto byte = [&frame](int i) { return i < frame.size() ? int(static_cast<unsigned char>(frame.at(i))) & 0x3F : 0; };
    Record r;
    r.address = (byte(at) << 6) | byte(at + 1);
    r.instance = byte(at + 2);
    r.data = (byte(at + 3) << 6) | byte(at + 4);
    return r;
}

QByteArray PLXStreamDecoder::resultName(int address, int instance)
{
    static const char *const prefixes[] = {
        "STAT_AFR_",           nullptr,
        "STAT_FLUID_TEMP_",    "STAT_VACUUM_",
        "STAT_BOOST_",         "STAT_AIR_INTAKE_",
        "STAT_RPM_",           "STAT_VEHICLE_SPEED_",
        "STAT_THROTTLE_POSITION_", "STAT_ENGINE_LOAD_",
        "STAT_FLUID_PRESSURE_", "STAT_TIMING_",
        "STAT_MAP_",           "STAT_MAF_",
        "STAT_STFT_",          "STAT_LTFT_",
        "STAT_NARROWBAND_",    "STAT_FUEL_LEVEL_",
        "STAT_VOLT_METER_",    "STAT_KNOCK_",
        "STAT_DUTY_CYCLE_",
    };
    const int kinds = int(sizeof prefixes / sizeof prefixes[0]);
    if (address >= 0 && address < kinds && prefixes[address])
        return QByteArray(prefixes[address]) + QByteArray::number(instance);
    return "STAT_SENSOR_" + QByteArray::number(address) + '_' + QByteArray::number(instance);
}

double PLXStreamDecoder::convertValue(int address, int unit, int raw)
{
    const double r = raw;
    switch (address) {
    case 0: // wideband air/fuel: lambda, then the ratio of one fuel per unit
        switch (unit) {
        case 0: return (r / 3.75 + 68) / 100;
        case 1: return (r / 2.55 + 100) / 10;
        case 2: return (r / 2.58 + 100) / 10;
        case 3: return (r / 5.856 + 43.5) / 10;
        case 4: return (r / 4.167 + 61.7) / 10;
        case 5: return (r / 2.417 + 105.6) / 10;
        case 6: return (r / 2.18 + 117) / 10;
        }
        break;
    case 1: // exhaust gas temperature
    case 5: // intake air temperature
        if (unit == 0)
            return r;
        if (unit == 1)
            return r / 0.555 + 32;
        break;
    case 2: // fluid temperature
        if (unit == 0 || unit == 2)
            return r;
        if (unit == 1 || unit == 3)
            return r / 0.555 + 32;
        break;
    case 3: // vacuum
        if (unit == 0)
            return -(r / 11.39 - 29.93);
        if (unit == 1)
            return -(r * 2.23 + 760.4);
        break;
    case 4: // boost
        if (unit == 0 || unit == 2 || unit == 4)
            return r / 22.73;
        if (unit == 1 || unit == 3 || unit == 5)
            return r / 329.47;
        break;
    case 6: return r * 19.55;
    case 7:
        if (unit == 0)
            return r / 6.39;
        if (unit == 1)
            return r / 3.97;
        break;
    case 8:
    case 9: return r;
    case 10: // fluid pressure
        if (unit == 0 || unit == 3)
            return r / 5.115;
        if (unit == 1 || unit == 4)
            return r / 72.73;
        if (unit == 2 || unit == 5)
            return r / 74.22;
        break;
    case 11: return r - 64;
    case 12:
        if (unit == 0)
            return r;
        if (unit == 1)
            return r / 3.386;
        break;
    case 13:
        if (unit == 0)
            return r;
        if (unit == 1)
            return r / 7.54;
        break;
    case 14:
    case 15: return r - 100;
    case 16:
        if (unit == 0)
            return r;
        if (unit == 1)
            return r / 78.43;
        break;
    case 17: return r;
    case 18: return r / 51.15;
    case 19: return r / 204.6;
    case 20:
        if (unit == 0)
            return r / 10.23;
        if (unit == 1)
            return 100 - r / 10.23;
        break;
    }
    return NoValue;
}
