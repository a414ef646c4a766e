#pragma once
// Numbers as text that read back as the same double: what a log, an export
// or a read-out writes of a value, and how a value's text is read. No
// locale: "." is the decimal point unless another character is asked for.
#include <QChar>
#include <QString>
#include <cstddef>

class CJobResult;

class ExactNumber
{
public:
    // Room for every text write() gives, with its terminating zero.
    enum { MaxLength = 40 };

    // The fewest digits that read back as the same double, as plain digits
    // ("12345.678", "4294967295", "0.000125") for 0 and 1e-6 <= |value| <
    // 1e21, with an exponent beyond ("1.5e-07", "2e+21"): what spreadsheets
    // and the log readers take as a plain number. "nan", "inf" and "-inf"
    // for those. Writes a terminating zero; returns the length.
    static int write(double value, char *out, std::size_t size);
    // The same with decimal in place of ".".
    static QString of(double value, QChar decimal = QLatin1Char('.'));

    // A whole text as a number, by NumberText's rule: blanks around it, a
    // sign, digits with "." as the decimal point, an exponent. A text
    // without a digit before its exponent (empty, blanks, ".", "nan",
    // "inf") is no number, nor is one that overflows a double.
    static bool read(const char *begin, const char *end, double &value);
    static bool read(const QString &text, double &value);

    // The number a job result carries, from its text and its typed value
    // (realValue): none when the text is no number, nor for byte data
    // (format 7: its hexadecimal digits are no decimal number). Where the
    // result has a typed value (formats 0 to 5, whole numbers, and 8, a
    // real) and its text is that value rounded to the text's last digit
    // ("1.234568E+04" for 12345.678), the typed value is the number: the
    // text has fewer digits than the value.
    static bool resultValue(const char *text, int format, double realValue, double &value);
    // The same for a whole result; none either for the raw bytes an
    // external source sends as a "string" result: their hexadecimal digits
    // ("3130" for the line "10") are no decimal number.
    static bool resultValue(const CJobResult &result, double &value);
};
