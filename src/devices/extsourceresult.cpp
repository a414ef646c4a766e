#include "extsourceresult.h"

#include "exponenttext.h"

void ExtSourceResult::setReal(CJobResult &result, double value)
{
    result.typeName = "real";
    result.format = 8;
    result.realValue = value;
    char text[32];
    ExponentText::write(value, text, sizeof text);
    result.setTextValue(text);
}

void ExtSourceResult::setHex(CJobResult &result, const QByteArray &bytes)
{
    static const char digits[] = "0123456789abcdef";
    result.typeName = "string";
    result.format = 6;
    const int n = qMin(bytes.size(), int(MaxHexBytes));
    for (int i = 0; i < n; ++i) {
        const unsigned char b = static_cast<unsigned char>(bytes.at(i));
        result.textValue[2 * i] = digits[b >> 4];
        result.textValue[2 * i + 1] = digits[b & 15];
    }
    result.textValue[2 * n] = '\0';
}
