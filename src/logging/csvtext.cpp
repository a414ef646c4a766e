#include "csvtext.h"

#include <charconv>
#include <cmath>
#include <vector>

namespace {
bool blank(char c)
{
    return c == ' ' || c == '\t';
}

void trim(const char *&b, const char *&e)
{
    while (b < e && blank(*b))
        ++b;
    while (e > b && blank(e[-1]))
        --e;
}

bool digit(char c)
{
    return c >= '0' && c <= '9';
}

const double powersOfTen[] = {1e0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8,
                              1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
} // namespace

int CSVText::split(const char *b, const char *e, char sep, std::vector<Field> &out)
{
    out.clear();
    const char *p = b;
    for (;;) {
        if (p < e && *p == '"') {
            // Quoted: "" inside is one quote; the field ends at the closing
            // quote, or at the line end when there is none.
            const char *start = p + 1;
            const char *q = start;
            while (q < e) {
                if (*q == '"') {
                    if (q + 1 < e && q[1] == '"') {
                        q += 2;
                        continue;
                    }
                    break;
                }
                ++q;
            }
            const char *inner = q;
            const char *afterQuote = q < e ? q + 1 : e;
            const char *next = static_cast<const char *>(std::memchr(afterQuote, sep, size_t(e - afterQuote)));
            const char *fieldEnd = next ? next : e;
            // Text after the closing quote stays with the field.
            out.push_back({start, fieldEnd == afterQuote ? inner : fieldEnd});
            if (!next)
                return int(out.size());
            p = next + 1;
            continue;
        }
        const char *next = static_cast<const char *>(std::memchr(p, sep, size_t(e - p)));
        if (!next) {
            out.push_back({p, e});
            return int(out.size());
        }
        out.push_back({p, next});
        p = next + 1;
    }
}

CSVText::CellKind CSVText::readNumber(const char *b, const char *e, double &value)
{
    value = 0.0;
    trim(b, e);
    if (b == e)
        return Empty;
    const char *p = b;
    bool negative = false;
    if (*p == '+' || *p == '-') {
        negative = *p == '-';
        ++p;
    }
    if (p == e)
        return Text;
    // Short plain decimals (all a logger writes but its exponents): the
    // digits as one exact integer over an exact power of ten, which rounds
    // once, as the full conversion would.
    {
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
            } else if ((*q == '.' || *q == ',') && fraction < 0) {
                fraction = 0;
            } else {
                break;
            }
        }
        if (q == e && digits > 0 && digits <= 15) {
            const double v = double(mantissa) / powersOfTen[fraction > 0 ? fraction : 0];
            value = negative ? -v : v;
            return Number;
        }
    }
    // Everything else through the locale-free conversion, with "," read as
    // the decimal point. A cell of any length is a number when it reads as
    // one (a spreadsheet may write hundreds of digits).
    char small[128];
    std::vector<char> large;
    const size_t length = size_t(e - b);
    char *buffer = small;
    if (length >= sizeof small) {
        large.resize(length + 1);
        buffer = large.data();
    }
    size_t n = 0;
    if (negative)
        buffer[n++] = '-';
    for (const char *q = p; q < e; ++q)
        buffer[n++] = *q == ',' ? '.' : *q;
    // from_chars would take these as infinity and not-a-number.
    const char first = negative ? buffer[1] : buffer[0];
    if (!(digit(first) || first == '.'))
        return Text;
    double v = 0.0;
    const std::from_chars_result r = std::from_chars(buffer, buffer + n, v, std::chars_format::general);
    if (r.ec != std::errc() || r.ptr != buffer + n || !std::isfinite(v))
        return Text;
    value = v;
    return Number;
}

qint64 CSVText::readTime(const char *b, const char *e, bool &timeOfDay)
{
    timeOfDay = false;
    trim(b, e);
    if (std::memchr(b, ':', size_t(e - b)) == nullptr) {
        double v = 0.0;
        if (readNumber(b, e, v) != Number || !(v > 0.0) || v >= 9.0e18)
            return 0;
        return qint64(v); // toward zero
    }
    // H:mm:ss[,zzz | .zzz]
    const char *p = b;
    auto number = [&](int minDigits, int maxDigits, int &out) {
        int n = 0;
        out = 0;
        while (p < e && digit(*p) && n < maxDigits) {
            out = out * 10 + (*p - '0');
            ++p;
            ++n;
        }
        return n >= minDigits;
    };
    int h = 0, m = 0, s = 0;
    if (!number(1, 2, h) || p == e || *p++ != ':' || !number(2, 2, m) || p == e || *p++ != ':' || !number(2, 2, s))
        return 0;
    int ms = 0;
    if (p < e && (*p == ',' || *p == '.')) {
        ++p;
        int fraction = 0;
        const char *start = p;
        if (!number(1, 3, fraction))
            return 0;
        // ",5" is half a second, ",050" fifty milliseconds.
        const int width = int(p - start);
        ms = width == 1 ? fraction * 100 : (width == 2 ? fraction * 10 : fraction);
    }
    if (p != e || h > 23 || m > 59 || s > 59)
        return 0;
    timeOfDay = true;
    return ((qint64(h) * 60 + m) * 60 + s) * 1000 + ms;
}
