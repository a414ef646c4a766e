#pragma once
// Text from outside (a device line, a log cell, a configuration field) read
// as a number by one rule everywhere: a decimal number, optionally signed,
// with a fraction and an exponent, and blanks (ASCII white space) around it.
// A field without a digit is no number: blanks alone (which Qt's
// QByteArray::toFloat/toDouble take as 0), "nan", "inf", a lone sign or
// point. Nor is a number with anything else in it ("1.5 bar", "0x10",
// "1e"), nor one beyond the range of the type. No locale is consulted.
#include <QByteArray>
#include <QString>

class NumberText
{
public:
    enum Decimal {
        Point,       // "1.5"
        PointOrComma // "1.5" or "1,5" (logs written with a decimal comma)
    };

    enum Kind {
        Blank,   // nothing but blanks, or nothing at all
        Number,
        NoNumber // anything else
    };
    // The number of [begin, end) (value 0 when there is none) and what the
    // text is; for readers that tell an empty field from a text.
    static Kind read(const char *begin, const char *end, double &value, Decimal decimal = Point);

    static bool toDouble(const char *begin, const char *end, double &value, Decimal decimal = Point);
    static bool toFloat(const char *begin, const char *end, float &value);

    // As Qt's conversions: 0 and *ok false for what is no number.
    static double toDouble(const QByteArray &text, bool *ok = nullptr, Decimal decimal = Point);
    static double toDouble(const QString &text, bool *ok = nullptr, Decimal decimal = Point);
    static float toFloat(const QByteArray &text, bool *ok = nullptr);
    static float toFloat(const QString &text, bool *ok = nullptr);

    static bool isBlank(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }
    // Nothing but blanks (or nothing at all).
    static bool isBlank(const char *begin, const char *end);
};
