#pragma once
// Cuts a device's text stream into lines for the line mode of
// QExtRunnerThread: "\r" ends a line, "\n" is dropped. What arrives before
// the first "\r" after opening is the tail of a line whose start was never
// seen (".7" of "14.7") and is dropped, unless the device's first line is
// known to start clean (FirstLineKept); a line longer than the cap (MaxLine
// bytes unless given) is dropped. A plain class: it takes bytes, gives lines.
#include <QByteArray>
#include <QList>

class ExtLineCollector
{
public:
    enum { MaxLine = 1024 };
    enum Start { FirstLineDropped, FirstLineKept };

    explicit ExtLineCollector(int maxLine = MaxLine, Start start = FirstLineDropped);

    // Takes bytes as they come from the port.
    void feed(const char *bytes, int count);
    void feed(const QByteArray &bytes) { feed(bytes.constData(), bytes.size()); }
    // The oldest complete line, without its "\r"; false when none is ready.
    bool takeLine(QByteArray &line);
    // Lines dropped for their length since the last call.
    int takeOverlongCount();
    // Starts over as after opening: nothing collected, first line unsynced.
    void reset();

private:
    QList<QByteArray> ready;
    QByteArray current;
    int cap = MaxLine;
    bool keepFirst = false;
    bool synced = false;
    bool overlong = false;
    int overlongLines = 0;
};
