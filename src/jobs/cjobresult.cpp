#include "cjobresult.h"
#include "tsanannotate.h"

#include <cstring>

CJobResult::CJobResult(QObject *)
{
    textValue[0] = '\0';
}

CJobResult::CJobResult(const CJobResult &other)
    : name((KELVO_TSAN_ACQUIRE(&other), other.name)), displayName(other.displayName), comment(other.comment),
      typeName(other.typeName), format(other.format), intValue(other.intValue),
      longValue(other.longValue), realValue(other.realValue), unit(other.unit),
      numberFormat(other.numberFormat)
{
    std::memcpy(textValue, other.textValue, TextCapacity);
    textValue[TextCapacity - 1] = '\0';
    KELVO_TSAN_RELEASE(this);
}

CJobResult &CJobResult::operator=(const CJobResult &other)
{
    if (this == &other)
        return *this;
    KELVO_TSAN_ACQUIRE(&other);
    name = other.name;
    displayName = other.displayName;
    comment = other.comment;
    typeName = other.typeName;
    format = other.format;
    intValue = other.intValue;
    longValue = other.longValue;
    realValue = other.realValue;
    std::memcpy(textValue, other.textValue, TextCapacity);
    textValue[TextCapacity - 1] = '\0';
    unit = other.unit;
    numberFormat = other.numberFormat;
    KELVO_TSAN_RELEASE(this);
    return *this;
}

void CJobResult::setTextValue(const char *text)
{
    if (!text) {
        textValue[0] = '\0';
        return;
    }
    const size_t n = strnlen(text, TextCapacity - 1);
    std::memcpy(textValue, text, n);
    textValue[n] = '\0';
}

void CJobResult::setTextValue(const std::string &text)
{
    const size_t n = std::min(text.size(), size_t(TextCapacity - 1));
    std::memcpy(textValue, text.data(), n);
    textValue[n] = '\0';
}
