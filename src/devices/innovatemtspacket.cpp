#include "innovatemtspacket.h"

#include <cstring>

namespace {
// Latin-1 text of raw reply bytes that is safe in a result name and in an
// XML attribute: control bytes become "?".
QString replyText(const quint8 *bytes, int n)
{
    QString text;
    text.reserve(n);
    for (int i = 0; i < n; ++i) {
        const quint8 b = bytes[i];
        text += (b < 0x20 || (b >= 0x7F && b < 0xA0)) ? QChar('?') : QChar(b);
    }
    return text;
}
} // namespace

InnovateMTSPacket::InnovateMTSPacket()
{
    std::memset(raw, 0, sizeof raw);
}

void InnovateMTSPacket::clear()
{
    std::memset(raw, 0, sizeof raw);
}

QStringList InnovateMTSPacket::deviceNames() const
{
    QStringList names;
    const int length = qMin<int>(rawLength, MaxRaw);
    for (int at = 0; at + 8 <= length; at += 8) {
        int n = 0;
        while (n < 7 && raw[at + 1 + n] != 0)
            ++n;
        names << replyText(raw + at + 1, n);
    }
    return names;
}

QStringList InnovateMTSPacket::deviceTypes() const
{
    QStringList types;
    const int length = qMin<int>(rawLength, MaxRaw);
    for (int at = 0; at + 8 <= length; at += 8)
        types << replyText(raw + at + 2, 4);
    return types;
}
