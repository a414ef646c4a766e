#pragma once
// A SerialLineControl for tests: records every call on a fake clock that
// only its waits (and timed breaks) advance, so that a 5-baud
// initialisation takes no real time and its timing can be asserted. Pin
// reads answer scripted values; any action can be scripted to be refused.
//
// With watch(device), what reached the pseudo-terminal's master since the
// previous call is recorded as a "write" before each call, so that the
// order of line changes and telegrams shows in one list.
//
//     RecordingLineControl lines;
//     lines.watch(dev);
//     SeriaPortTestForm form(nullptr, ports, &lines);
//     ... click "L-Line init" ...
//     QCOMPARE(lines.now(), 2800);
//     QVERIFY(!lines.lineHighAt(1100));   // the start bit
#include "seriallinecontrol.h"

#include <QByteArray>
#include <QList>
#include <QSet>
#include <QString>

class PtyDevice;

class RecordingLineControl : public SerialLineControl
{
public:
    enum Action { Dtr, Rts, Break, TimedBreak, ReadPins, Wait, Write };

    struct Call
    {
        qint64 at = 0;        // fake milliseconds when the call began
        Action action = Wait;
        int value = 0;        // on/off as 1/0; milliseconds for waits and breaks
        QByteArray bytes;     // Write: the bytes that reached the device
        bool refused = false;
    };

    void watch(PtyDevice &device) { watched = &device; }
    // Pin reads answer these in turn, the last one again and again.
    void scriptPins(const QList<QSerialPort::PinoutSignals> &answers) { pins = answers; }
    // Every later call of that action is refused with `reason`.
    void refuse(Action action, const QString &reason = QStringLiteral("refused by the test"));

    bool setDataTerminalReady(bool on) override;
    bool setRequestToSend(bool on) override;
    bool setBreakEnabled(bool on) override;
    bool sendBreak(int ms) override;
    bool readPins(QSerialPort::PinoutSignals *out) override;
    void wait(int ms) override;
    QString errorString() const override { return reason; }

    qint64 now() const { return clock; }
    QList<Call> calls() const { return recorded; }
    // The calls without pin reads and writes: the line changes and waits.
    QList<Call> lineCalls() const;
    int count(Action action) const;
    // Takes in what the device got since the last call (a write at the end
    // of a sequence is seen only by this or by the next call).
    void settle();
    void clear();

    // Line state at a fake time, from the recorded calls: DTR on, and a
    // break in force (break on, or inside a timed break). The line counts
    // as high while DTR is on and no break holds it low.
    bool dtrAt(qint64 t) const;
    bool breakAt(qint64 t) const;
    bool lineHighAt(qint64 t) const { return dtrAt(t) && !breakAt(t); }

private:
    bool record(Action action, int value);

    PtyDevice *watched = nullptr;
    QList<QSerialPort::PinoutSignals> pins;
    int pinReads = 0;
    QSet<int> refused;
    QString refusal;
    QString reason;
    qint64 clock = 0;
    QList<Call> recorded;
};
