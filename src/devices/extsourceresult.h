#pragma once
// The values of external sources' pseudo jobs, filled as every job listener
// reads them: a number is a "real" result (format 8) with the value and its
// "%E" text; raw bytes are a "string" result (format 6) in lower-case hex.
#include "cjobresult.h"

#include <QByteArray>

class ExtSourceResult
{
public:
    // The text value holds 1023 characters: two hex digits per byte.
    enum { MaxHexBytes = (CJobResult::TextCapacity - 1) / 2 };

    static void setReal(CJobResult &result, double value);
    // The first MaxHexBytes bytes; the rest does not fit.
    static void setHex(CJobResult &result, const QByteArray &bytes);
};
