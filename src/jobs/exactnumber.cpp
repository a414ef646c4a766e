#include "exactnumber.h"

#include "cjobresult.h"
#include "numbertext.h"

#include <charconv>
#include <cmath>
#include <cstring>

namespace {
bool blank(char c)
{
    return NumberText::isBlank(c);
}

bool digit(char c)
{
    return c >= '0' && c <= '9';
}

// The place of a number text's last digit as a power of ten ("12.50" -2,
// "1.234568E+04" -2, "4294967295" 0); false when the text is not of the
// form read() takes.
bool lastDigitPlace(const char *b, const char *e, int &place)
{
    while (b < e && blank(*b))
        ++b;
    while (e > b && blank(e[-1]))
        --e;
    if (b < e && (*b == '+' || *b == '-'))
        ++b;
    int fraction = 0;
    bool point = false;
    bool digits = false;
    for (; b < e && (digit(*b) || (*b == '.' && !point)); ++b) {
        if (*b == '.') {
            point = true;
        } else {
            digits = true;
            if (point)
                ++fraction;
        }
    }
    if (!digits)
        return false;
    long exponent = 0;
    if (b < e && (*b == 'e' || *b == 'E')) {
        ++b;
        bool negative = false;
        if (b < e && (*b == '+' || *b == '-'))
            negative = *b++ == '-';
        if (b == e)
            return false;
        for (; b < e && digit(*b); ++b) {
            if (exponent < 100000)
                exponent = exponent * 10 + (*b - '0');
        }
        if (negative)
            exponent = -exponent;
    }
    if (b != e)
        return false;
    place = int(exponent) - fraction;
    return true;
}
} // namespace

int ExactNumber::write(double value, char *out, std::size_t size)
{
    if (size == 0)
        return 0;
    char *last = out + size - 1;
    const double magnitude = std::fabs(value);
    std::to_chars_result r;
    if (std::isfinite(value) && (magnitude == 0.0 || (magnitude >= 1e-6 && magnitude < 1e21)))
        r = std::to_chars(out, last, value, std::chars_format::fixed);
    else
        r = std::to_chars(out, last, value, std::chars_format::scientific);
    if (r.ec != std::errc()) {
        out[0] = '\0';
        return 0;
    }
    *r.ptr = '\0';
    return int(r.ptr - out);
}

QString ExactNumber::of(double value, QChar decimal)
{
    char text[MaxLength];
    const int n = write(value, text, sizeof text);
    if (decimal != QLatin1Char('.')) {
        if (char *point = static_cast<char *>(std::memchr(text, '.', size_t(n)))) {
            QString s = QString::fromLatin1(text, n);
            s[int(point - text)] = decimal;
            return s;
        }
    }
    return QString::fromLatin1(text, n);
}

bool ExactNumber::read(const char *b, const char *e, double &value)
{
    // The one rule for text read as a number: a field without a digit is
    // none, nor is "nan", "inf" or an overflow.
    if (NumberText::toDouble(b, e, value))
        return true;
    value = 0.0;
    return false;
}

bool ExactNumber::read(const QString &text, double &value)
{
    const QByteArray bytes = text.toLatin1();
    return read(bytes.constData(), bytes.constData() + bytes.size(), value);
}

bool ExactNumber::resultValue(const char *text, int format, double realValue, double &value)
{
    if (format == 7 || !text) {
        value = 0.0;
        return false;
    }
    const char *end = text + std::strlen(text);
    if (!read(text, end, value))
        return false;
    const bool typed = (format >= 0 && format <= 5) || format == 8;
    if (!typed || !std::isfinite(realValue) || realValue == value)
        return true;
    int place = 0;
    if (!lastDigitPlace(text, end, place))
        return true;
    // Half a unit of the text's last digit (a hair more for the rounding
    // of this sum itself): the text is the typed value shown shorter.
    const double half = 0.5 * std::pow(10.0, double(place));
    if (std::fabs(realValue - value) <= half * (1.0 + 1e-9))
        value = realValue;
    return true;
}

bool ExactNumber::resultValue(const CJobResult &result, double &value)
{
    if (result.typeName == "string") {
        value = 0.0;
        return false;
    }
    return resultValue(result.textValue, result.format, result.realValue, value);
}
