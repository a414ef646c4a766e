#include "extlinecollector.h"

void ExtLineCollector::feed(const char *bytes, int count)
{
    for (int i = 0; i < count; ++i) {
        const char c = bytes[i];
        if (c == '\r') {
            if (!synced) {
                synced = true;
            } else if (overlong) {
                ++overlongLines;
            } else {
                ready.append(current);
            }
            current.clear();
            overlong = false;
            continue;
        }
        if (c == '\n' || !synced || overlong)
            continue;
        if (current.size() >= MaxLine) {
            overlong = true;
            current.clear();
            continue;
        }
        current.append(c);
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
    synced = false;
    overlong = false;
    overlongLines = 0;
}
