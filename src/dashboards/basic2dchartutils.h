#pragma once
// The texts and numbers of the 2-D chart: how a result becomes a key and a
// value, and how cells and axis labels are written.
#include <QString>

class CJob;
class CJobResult;

class Basic2DChartUtils
{
public:
    // Job display name, ".", result name, letter case as they stand; for a
    // job of an ECU the ECU's name follows in parentheses, so that two ECUs
    // running jobs of one name give keys of their own. A job without an ECU
    // (from a log without its side file) keeps the plain key.
    static QString resultKey(const CJob &job, const CJobResult &result);
    // The number a result brings to an axis or a cell: the number the job
    // gave (its typed value where the text shows it rounded), else the
    // number a text starts with ("12.5 bar" gives 12.5). None for byte data
    // and a source's raw bytes (hexadecimal digits), nor for a text that
    // does not start with a number: such a result sets no cell.
    static bool resultNumber(const CJobResult &result, double &value);
    // The number the text starts with, read as a C++ stream reads a double
    // in the classic locale (leading blanks skipped, "12.5 bar" gives 12.5);
    // false (value 0) when the text does not start with a number or the
    // number is out of range.
    static bool leadingNumber(const char *text, double &value);
    // Finite and without a fractional part.
    static bool isWhole(double value);
    // A cell: a whole number with up to ten digits, else two decimals.
    static QString cellText(float value);
    // An axis label: a whole number as it is; otherwise just enough decimals
    // (at most ten) to tell the label from the next one, step further on. A
    // step that is 0 or not finite, or one too small for any of those
    // decimals, gives ten significant digits.
    static QString axisLabel(double value, double step);
};
