#pragma once
// A number written as printf's "%E" does in the C locale ("6.000000E+00"),
// whatever locale the process or Qt's default locale is set to.
#include <QByteArray>
#include <charconv>
#include <cstddef>

class ExponentText
{
public:
    // Writes the text and a terminating zero into out (at least 32 bytes
    // hold every double); returns its length.
    static int write(double value, char *out, std::size_t size)
    {
        if (size == 0)
            return 0;
        const std::to_chars_result r =
            std::to_chars(out, out + size - 1, value, std::chars_format::scientific, 6);
        if (r.ec != std::errc()) {
            out[0] = '\0';
            return 0;
        }
        // "e", "inf" and "nan" in printf's upper case.
        for (char *p = out; p != r.ptr; ++p) {
            if (*p >= 'a' && *p <= 'z')
                *p = char(*p - 'a' + 'A');
        }
        *r.ptr = '\0';
        return int(r.ptr - out);
    }

    static QByteArray of(double value)
    {
        char text[32];
        const int n = write(value, text, sizeof text);
        return QByteArray(text, n);
    }
};
