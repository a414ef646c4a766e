#include "extlinecollector.h"

ExtLineCollector::ExtLineCollector(int maxLine, Start start)
    : cap(maxLine)
    , keepFirst(start == FirstLineKept)
    , synced(keepFirst)
{
}

void ExtLineCollector::feed(const char *bytes, int count)
{
    int i = 0;
    while (i < count) {
        const char c = bytes[i];
        if (c == '\r') {
            if (!synced)
                synced = true;
            else if (overlong)
                ++overlongLines;
            else
                ready.append(current);
            current.clear();
            overlong = false;
            ++i;
            continue;
        }
        if (c == '\n' || !synced || overlong) {
            ++i;
            continue;
        }
        // A run of ordinary bytes goes in at once.
        int end = i + 1;
        while (end < count && bytes[end] != '\r' && bytes[end] != '\n')
            ++end;
        if (current.size() + (end - i) > cap) {
            overlong = true;
            current.clear();
        } else {
            current.append(bytes + i, end - i);
        }
        i = end;
    }
}

bool ExtLineCollector::takeLine(QByteArray &line)
{
    if (ready.isEmpty())
        return false;
    line = ready.takeFirst();
    return true;
}

int ExtLineCollector::takeOverlongCount()
{
    const int n = overlongLines;
    overlongLines = 0;
    return n;
}

void ExtLineCollector::reset()
{
    ready.clear();
    current.clear();
    synced = keepFirst;
    overlong = false;
    overlongLines = 0;
}
