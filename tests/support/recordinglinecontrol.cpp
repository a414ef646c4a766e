#include "recordinglinecontrol.h"

#include "ptydevice.h"

void RecordingLineControl::refuse(Action action, const QString &why)
{
    refused.insert(int(action));
    refusal = why;
}

void RecordingLineControl::settle()
{
    if (!watched)
        return;
    const QByteArray got = watched->drain();
    if (got.isEmpty())
        return;
    Call call;
    call.at = clock;
    call.action = Write;
    call.bytes = got;
    recorded << call;
}

bool RecordingLineControl::record(Action action, int value)
{
    settle();
    Call call;
    call.at = clock;
    call.action = action;
    call.value = value;
    call.refused = refused.contains(int(action));
    recorded << call;
    if (call.refused)
        reason = refusal;
    return !call.refused;
}

bool RecordingLineControl::setDataTerminalReady(bool on)
{
    return record(Dtr, on ? 1 : 0);
}

bool RecordingLineControl::setRequestToSend(bool on)
{
    return record(Rts, on ? 1 : 0);
}

bool RecordingLineControl::setBreakEnabled(bool on)
{
    return record(Break, on ? 1 : 0);
}

bool RecordingLineControl::sendBreak(int ms)
{
    const bool ok = record(TimedBreak, ms);
    clock += ms;
    return ok;
}

bool RecordingLineControl::readPins(QSerialPort::PinoutSignals *out)
{
    if (!record(ReadPins, 0))
        return false;
    if (out)
        *out = pins.isEmpty() ? QSerialPort::NoSignal : pins.at(qMin(pinReads, pins.size() - 1));
    ++pinReads;
    return true;
}

void RecordingLineControl::wait(int ms)
{
    record(Wait, ms);
    clock += ms;
}

QList<RecordingLineControl::Call> RecordingLineControl::lineCalls() const
{
    QList<Call> out;
    for (const Call &c : recorded) {
        if (c.action != ReadPins && c.action != Write)
            out << c;
    }
    return out;
}

int RecordingLineControl::count(Action action) const
{
    int n = 0;
    for (const Call &c : recorded)
        n += c.action == action ? 1 : 0;
    return n;
}

void RecordingLineControl::clear()
{
    recorded.clear();
    clock = 0;
    pinReads = 0;
}

bool RecordingLineControl::dtrAt(qint64 t) const
{
    bool on = false;
    for (const Call &c : recorded) {
        if (c.at > t)
            break;
        if (c.action == Dtr && !c.refused)
            on = c.value != 0;
    }
    return on;
}

bool RecordingLineControl::breakAt(qint64 t) const
{
    bool on = false;
    for (const Call &c : recorded) {
        if (c.at > t)
            break;
        if (c.refused)
            continue;
        if (c.action == Break)
            on = c.value != 0;
        else if (c.action == TimedBreak)
            on = t < c.at + c.value;
    }
    return on;
}
