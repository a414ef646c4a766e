#pragma once
// What the passive CAN listener makes of the adapter's stamped frame lines:
// the seven broadcast values (four wheel speeds from 0x0CE, engine speed
// and pedal from 0x0AA, vehicle speed from 0x1A0) and the adapter's clock
// unwrapped past its 16 bits. Every frame line updates the values of its
// identifier whose bytes it carries and keeps the others; lines that are
// no stamped frame change nothing and count no wrap. A plain class: it
// takes lines, gives values.
#include "canframe.h"

#include <QByteArray>
#include <QtGlobal>

class CJob;

class CANBroadcastDecoder
{
public:
    enum Value { WheelSpeed1, WheelSpeed2, WheelSpeed3, WheelSpeed4, EngineSpeed, Pedal, VehicleSpeed, ValueCount };
    // The adapter's clock runs 0 .. 0xFFFF ms, then starts over.
    enum : quint64 { WrapMs = 0x10000 };

    // True when the line was a stamped frame (a job is due).
    bool takeLine(const char *line, int size);
    bool takeLine(const QByteArray &line) { return takeLine(line.constData(), line.size()); }

    double value(int v) const { return values[v]; }
    const CANFrame &lastFrame() const { return frame; }
    int wraps() const { return int(wrapCount); }
    // The last frame's stamp with the wraps before it, and the same of the
    // first frame: their difference is the time since the first frame.
    quint64 unwrappedTime() const { return wrapCount * WrapMs + frame.timeStamp; }
    quint64 firstTime() const { return first; }

    // The seven results, in order: "wspd1" .. "wspd4", "RPM", "Pedal",
    // "Speed", each a real with its "%E" text. Replaces the job's results.
    void fillJob(CJob &job) const;

private:
    void decode();

    double values[ValueCount] = {};
    CANFrame frame;
    quint64 wrapCount = 0;
    quint64 previousStamp = 0;
    quint64 first = 0;
    quint64 frames = 0;
};
