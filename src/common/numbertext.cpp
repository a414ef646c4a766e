#include "numbertext.h"

#include <charconv>
#include <cmath>
#include <cstring>
#include <type_traits>
#include <vector>

namespace {
bool digit(char c)
{
    return c >= '0' && c <= '9';
}

void trim(const char *&b, const char *&e)
{
    while (b < e && NumberText::isBlank(*b))
        ++b;
    while (e > b && NumberText::isBlank(e[-1]))
        --e;
}

const double powersOfTen[] = {1e0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8,
                              1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};

// The trimmed text without its sign, in the form std::from_chars reads:
// '-' in front when negative, "." as the decimal point. Points into the
// text itself when it needs no change, else into buffer.
struct Prepared
{
    const char *begin = nullptr;
    const char *end = nullptr;
    std::vector<char> large;
    char small[128];
};

bool prepare(const char *b, const char *e, bool negative, const char *digits, NumberText::Decimal decimal,
             Prepared &out)
{
    // from_chars would take "inf" and "nan" and their like as numbers, and
    // "-" followed by a second sign is none.
    if (!(digit(*digits) || *digits == '.' || (decimal == NumberText::PointOrComma && *digits == ',')))
        return false;
    const bool comma = decimal == NumberText::PointOrComma && std::memchr(digits, ',', size_t(e - digits));
    if (!comma) {
        // A '-' is read by from_chars itself, a '+' is not.
        out.begin = negative ? b : digits;
        out.end = e;
        return true;
    }
    const size_t length = size_t(e - digits) + 1;
    char *buffer = out.small;
    if (length > sizeof out.small) {
        out.large.resize(length);
        buffer = out.large.data();
    }
    size_t n = 0;
    if (negative)
        buffer[n++] = '-';
    for (const char *q = digits; q < e; ++q)
        buffer[n++] = *q == ',' ? '.' : *q;
    out.begin = buffer;
    out.end = buffer + n;
    return true;
}

// The full conversion, out of the way of the short decimals most fields
// hold (its buffer would cost them a larger stack frame).
template <class T>
__attribute__((noinline)) bool fullConversion(const char *b, const char *e, bool negative, const char *digits,
                                              NumberText::Decimal decimal, T &value)
{
    Prepared text;
    if (!prepare(b, e, negative, digits, decimal, text))
        return false;
    T v = 0;
    const std::from_chars_result r = std::from_chars(text.begin, text.end, v, std::chars_format::general);
    if (r.ec != std::errc() || r.ptr != text.end || !std::isfinite(v))
        return false;
    value = v;
    return true;
}

template <class T> NumberText::Kind convert(const char *b, const char *e, T &value, NumberText::Decimal decimal)
{
    value = 0;
    trim(b, e);
    if (b == e)
        return NumberText::Blank;
    const char *p = b;
    const bool negative = *p == '-';
    if (*p == '+' || *p == '-')
        ++p;
    if (p == e)
        return NumberText::NoNumber;
    if constexpr (std::is_same<T, double>::value) {
        // Short plain decimals (nearly every device line and log cell): the
        // digits as one exact integer over an exact power of ten, which
        // rounds once, as the full conversion would.
        quint64 mantissa = 0;
        int digits = 0;
        int fraction = -1;
        const char *q = p;
        for (; q < e && digits <= 15; ++q) {
            if (digit(*q)) {
                mantissa = mantissa * 10 + quint64(*q - '0');
                ++digits;
                if (fraction >= 0)
                    ++fraction;
            } else if ((*q == '.' || (*q == ',' && decimal == NumberText::PointOrComma)) && fraction < 0) {
                fraction = 0;
            } else {
                break;
            }
        }
        if (q == e && digits > 0 && digits <= 15) {
            const double v = double(mantissa) / powersOfTen[fraction > 0 ? fraction : 0];
            value = negative ? -v : v;
            return NumberText::Number;
        }
    }
    return fullConversion(b, e, negative, p, decimal, value) ? NumberText::Number : NumberText::NoNumber;
}

// A QString of ASCII as bytes; false for anything else, which is no
// number anyway.
template <class F> bool withBytes(const QString &text, F &&f)
{
    const int n = text.size();
    char small[128];
    std::vector<char> large;
    char *buffer = small;
    if (n > int(sizeof small)) {
        large.resize(size_t(n));
        buffer = large.data();
    }
    const QChar *s = text.constData();
    for (int i = 0; i < n; ++i) {
        const ushort u = s[i].unicode();
        if (u >= 128)
            return false;
        buffer[i] = char(u);
    }
    return f(buffer, buffer + n);
}
} // namespace

NumberText::Kind NumberText::read(const char *begin, const char *end, double &value, Decimal decimal)
{
    return convert(begin, end, value, decimal);
}

bool NumberText::toDouble(const char *begin, const char *end, double &value, Decimal decimal)
{
    return convert(begin, end, value, decimal) == Number;
}

bool NumberText::toFloat(const char *begin, const char *end, float &value)
{
    return convert(begin, end, value, Point) == Number;
}

double NumberText::toDouble(const QByteArray &text, bool *ok, Decimal decimal)
{
    double v = 0.0;
    const bool good = toDouble(text.constData(), text.constData() + text.size(), v, decimal);
    if (ok)
        *ok = good;
    return good ? v : 0.0;
}

double NumberText::toDouble(const QString &text, bool *ok, Decimal decimal)
{
    double v = 0.0;
    const bool good = withBytes(text, [&](const char *b, const char *e) { return toDouble(b, e, v, decimal); });
    if (ok)
        *ok = good;
    return good ? v : 0.0;
}

float NumberText::toFloat(const QByteArray &text, bool *ok)
{
    float v = 0.0f;
    const bool good = toFloat(text.constData(), text.constData() + text.size(), v);
    if (ok)
        *ok = good;
    return good ? v : 0.0f;
}

float NumberText::toFloat(const QString &text, bool *ok)
{
    float v = 0.0f;
    const bool good = withBytes(text, [&](const char *b, const char *e) { return toFloat(b, e, v); });
    if (ok)
        *ok = good;
    return good ? v : 0.0f;
}

bool NumberText::isBlank(const char *begin, const char *end)
{
    for (const char *p = begin; p < end; ++p) {
        if (!isBlank(*p))
            return false;
    }
    return true;
}
