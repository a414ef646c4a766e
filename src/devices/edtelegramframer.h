#pragma once
// Cuts what EDIABAS writes to its serial port into telegrams by their
// header: a first byte 0x81 .. 0x9F announces n = byte - 0x80 data bytes,
// so the telegram is n + 4 bytes long and ends in its check byte (the sum
// of the bytes before it, or their XOR). Any other first byte, a telegram
// whose check byte fits neither, and a partial telegram followed by
// QuietMs of silence are dropped, with a reason for the log. The reasons
// stay short whatever arrives: a run of junk is told by its length and its
// first JunkShown bytes, and past MaxReasons reasons between two takes the
// rest is only counted. A plain class: it takes bytes and times and gives
// telegrams.
#include <QByteArray>
#include <QList>
#include <QStringList>

class EdTelegramFramer
{
public:
    enum { FirstHeader = 0x81, LastHeader = 0x9F, QuietMs = 100, JunkShown = 16, MaxReasons = 16 };

    // Bytes that arrived at nowMs (any steady clock in ms); complete
    // telegrams are appended to `out`, in order.
    void feed(const char *bytes, int size, qint64 nowMs, QList<QByteArray> &out);
    void feed(const QByteArray &bytes, qint64 nowMs, QList<QByteArray> &out)
    {
        feed(bytes.constData(), bytes.size(), nowMs, out);
    }
    // Drops a partial telegram that has waited QuietMs; for idle moments.
    void expire(qint64 nowMs);
    // What was dropped since the last call, one short line each.
    QStringList takeDropped();
    int pendingSize() const { return pending.size(); }

private:
    void drop(const QString &why, const QByteArray &bytes);
    void flushJunk();

    QByteArray pending;
    int wanted = 0;
    qint64 lastByteMs = 0;
    // A run of bytes that start no telegram, reported as one line: its
    // length and its first bytes.
    qint64 junkCount = 0;
    QByteArray junkStart;
    QStringList dropped;
    // Dropped pieces past MaxReasons, and their bytes.
    qint64 unreported = 0;
    qint64 unreportedBytes = 0;
};
