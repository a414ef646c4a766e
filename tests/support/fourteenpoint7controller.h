#pragma once
// A scripted 14Point7 wideband controller on the master side of a
// PtyDevice: answers 0x01 and 0x04 with short answers of its own and each
// 0x07 with a 21-byte data message built from the sensor value x and the
// boost byte set last. The next answer to a request can be scripted: other
// bytes (a shortened or lengthened message), delayed, split in two parts
// with a gap between, or withheld.
//
//     PtyDevice dev;
//     FourteenPoint7Controller slc(dev);
//     slc.setReading(0.0f, 51);
//     slc.script(0x07, {FourteenPoint7Controller::message(0, 51).left(20)});  // a byte lost
//     slc.start();
//
// It runs in the thread of a PtyResponder; every method here may be called
// from the test thread at any time. Times are milliseconds since start().
#include "ptydevice.h"
#include "ptyresponder.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QList>
#include <QMap>
#include <mutex>

class FourteenPoint7Controller
{
public:
    struct Answer
    {
        // In place of the usual answer; empty: the usual one.
        QByteArray bytes;
        int delayMs = 0;
        // Above 0: the first splitAt bytes, the rest splitDelayMs later.
        int splitAt = 0;
        int splitDelayMs = 0;
        bool withhold = false;
    };
    struct Event
    {
        char byte;
        qint64 atMs;
    };

    static QByteArray startAnswer() { return QByteArray::fromHex("0150"); }
    static QByteArray initAnswer() { return QByteArray::fromHex("04020a"); }
    // x as a big-endian single in bytes 0..3, the boost byte at 17.
    static QByteArray message(float x, quint8 boost);

    explicit FourteenPoint7Controller(PtyDevice &device);
    ~FourteenPoint7Controller();

    void setReading(float x, quint8 boost);
    // The next answer to that request (0x01, 0x04 or 0x07), in order of calls.
    void script(char request, const Answer &answer);
    void start();
    void stop();

    // Every byte the program sent, in order.
    QByteArray received() const;
    // Each byte received with the time it was read.
    QList<Event> requests() const;
    // When the last byte of each data message was about to be written.
    QList<qint64> messagesSent() const;
    int messageCount() const;
    // Waits (processing no events: a program in this thread writes nothing
    // meanwhile) until n bytes were received.
    bool waitForReceived(int n, int timeoutMs) const { return responder.waitForReceived(n, timeoutMs); }
    qint64 now() const;

private:
    struct Pending
    {
        qint64 dueMs;
        QByteArray bytes;
        bool endsMessage;
    };
    void answer(char request);
    void writeDue();

    PtyDevice &dev;
    PtyResponder responder;
    mutable std::mutex mutex;
    QElapsedTimer clock;
    float x = 0.0f;
    quint8 boost = 0;
    QMap<char, QList<Answer>> scripts;
    QList<Pending> pending;
    QList<Event> events;
    QList<qint64> sent;
};
