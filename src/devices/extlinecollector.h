#pragma once
// Cuts a device's text stream into lines for the line mode of
// QExtRunnerThread: "\r" ends a line, "\n" is dropped. What arrives before
// the first "\r" after opening is the tail of a line whose start was never
// seen (".7" of "14.7") and is dropped, as is a line longer than MaxLine
// bytes. A plain class: it takes bytes and gives lines.
#include <QByteArray>
#include <QList>

class ExtLineCollector
{
public:
    enum { MaxLine = 1024 };

    // Takes bytes as they come from the port.
    void feed(const char *bytes, int count);
    void feed(const QByteArray &bytes) { feed(bytes.constData(), bytes.size()); }
    // The oldest complete line, without its "\r"; false when none is ready.
    bool takeLine(QByteArray &line);
    bool hasLine() const { return !ready.isEmpty(); }
    // Lines dropped for their length since the last call.
    int takeOverlongCount();
    // Starts over as after opening: nothing collected, first line unsynced.
    void reset();

private:
    QList<QByteArray> ready;
    QByteArray current;
    bool synced = false;
    bool overlong = false;
    int overlongLines = 0;
};
