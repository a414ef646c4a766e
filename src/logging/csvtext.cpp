#include "csvtext.h"

#include "numbertext.h"

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
    switch (NumberText::read(b, e, value, NumberText::PointOrComma)) {
    case NumberText::Number:
        return Number;
    case NumberText::Blank:
        return Empty;
    case NumberText::NoNumber:
        break;
    }
    return Text;
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
