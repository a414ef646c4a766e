#include "edtelegramframer.h"

#include "cantransport.h"

void EdTelegramFramer::drop(const QString &why, const QByteArray &bytes)
{
    if (dropped.size() >= MaxReasons) {
        ++unreported;
        unreportedBytes += bytes.size();
        return;
    }
    dropped << why + QStringLiteral(": ") + QString::fromLatin1(bytes.toHex(' '));
}

void EdTelegramFramer::flushJunk()
{
    if (junkCount == 0)
        return;
    if (dropped.size() >= MaxReasons) {
        ++unreported;
        unreportedBytes += junkCount;
    } else {
        QString line = QStringLiteral("%1 byte(s) that start no telegram: ").arg(junkCount)
            + QString::fromLatin1(junkStart.toHex(' '));
        if (junkCount > junkStart.size())
            line += QStringLiteral(" ...");
        dropped << line;
    }
    junkCount = 0;
    junkStart.clear();
}

void EdTelegramFramer::expire(qint64 nowMs)
{
    if (!pending.isEmpty() && nowMs - lastByteMs >= QuietMs) {
        drop(QStringLiteral("partial telegram, %1 of %2 bytes, stale after %3 ms")
                 .arg(pending.size())
                 .arg(wanted)
                 .arg(nowMs - lastByteMs),
             pending);
        pending.clear();
        wanted = 0;
    }
}

void EdTelegramFramer::feed(const char *bytes, int size, qint64 nowMs, QList<QByteArray> &out)
{
    if (size <= 0)
        return;
    expire(nowMs);
    lastByteMs = nowMs;
    int i = 0;
    while (i < size) {
        if (pending.isEmpty()) {
            const int header = uchar(bytes[i]);
            if (header < FirstHeader || header > LastHeader) {
                if (junkStart.size() < JunkShown)
                    junkStart.append(bytes[i]);
                ++junkCount;
                ++i;
                continue;
            }
            flushJunk();
            wanted = header - 0x80 + 4;
        }
        const int take = qMin(wanted - pending.size(), size - i);
        pending.append(bytes + i, take);
        i += take;
        if (pending.size() < wanted)
            break;
        if (CANTransport::checksumOk(pending.constData(), wanted - 1, quint8(pending.at(wanted - 1))))
            out.append(pending);
        else
            drop(QStringLiteral("telegram with a wrong check byte"), pending);
        pending.clear();
        wanted = 0;
    }
    flushJunk();
}

QStringList EdTelegramFramer::takeDropped()
{
    QStringList out;
    out.swap(dropped);
    if (unreported > 0) {
        out << QStringLiteral("%1 more piece(s), %2 byte(s) in all").arg(unreported).arg(unreportedBytes);
        unreported = 0;
        unreportedBytes = 0;
    }
    return out;
}
