#include "canframe.h"

namespace {
// The value of a hex digit, or -1.
inline int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// n hex digits as one number, or -1 when one is no hex digit.
inline int hexNumber(const char *p, int n)
{
    int v = 0;
    for (int i = 0; i < n; ++i) {
        const int d = hexValue(p[i]);
        if (d < 0)
            return -1;
        v = v * 16 + d;
    }
    return v;
}

const char UpperDigits[] = "0123456789ABCDEF";
const char LowerDigits[] = "0123456789abcdef";
} // namespace

bool CANFrame::parse(const char *line, int size, CANFrame &out)
{
    return parseLine(line, size, false, out);
}

bool CANFrame::parseStamped(const char *line, int size, CANFrame &out)
{
    return parseLine(line, size, true, out);
}

bool CANFrame::parseLine(const char *line, int size, bool stampRequired, CANFrame &out)
{
    if (size < 5 || size > MaxLine || line[0] != 't')
        return false;
    const int id = hexNumber(line + 1, 3);
    const char lengthDigit = line[4];
    if (id < 0 || id > 0x7FF || lengthDigit < '0' || lengthDigit > '0' + MaxLength)
        return false;
    const int length = lengthDigit - '0';
    const int dataEnd = 5 + 2 * length;
    const bool withStamp = size == dataEnd + 4;
    if (size != dataEnd && !withStamp)
        return false;
    if (stampRequired && !withStamp)
        return false;
    int stamp = 0;
    if (withStamp && (stamp = hexNumber(line + dataEnd, 4)) < 0)
        return false;
    // Checked whole before anything of `out` changes.
    char bytes[MaxLength];
    for (int i = 0; i < length; ++i) {
        const int b = hexNumber(line + 5 + 2 * i, 2);
        if (b < 0)
            return false;
        bytes[i] = char(b);
    }
    out.identifier = quint16(id);
    out.length = length;
    out.data.resize(length);
    for (int i = 0; i < length; ++i)
        out.data[i] = bytes[i];
    out.stamped = withStamp;
    out.timeStamp = quint64(stamp);
    return true;
}

QByteArray CANFrame::toSlcan() const
{
    const int n = qMin(data.size(), int(MaxLength));
    QByteArray line(5 + 2 * n, Qt::Uninitialized);
    line[0] = 't';
    line[1] = UpperDigits[(identifier >> 8) & 0x7];
    line[2] = UpperDigits[(identifier >> 4) & 0xF];
    line[3] = UpperDigits[identifier & 0xF];
    line[4] = char('0' + n);
    for (int i = 0; i < n; ++i) {
        const uchar b = uchar(data.at(i));
        line[5 + 2 * i] = LowerDigits[b >> 4];
        line[6 + 2 * i] = LowerDigits[b & 0xF];
    }
    return line;
}

QString CANFrame::debugText() const
{
    return QString::number(identifier & 0xFF, 16).toUpper() + QLatin1Char(':') + QString::number(length)
        + QLatin1Char(':') + QString::fromLatin1(data.toHex());
}
