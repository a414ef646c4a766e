#pragma once
// One named result of a job. A plain value: every number starts at 0 and
// the text value is a zero-terminated buffer of 1024 bytes (text longer than
// 1023 bytes is cut at the byte limit).
#include <QMetaType>
#include <QObject>
#include <QString>
#include <string>

class CJobResult
{
public:
    enum { TextCapacity = 1024 };

    explicit CJobResult(QObject *parent = nullptr);
    CJobResult(const CJobResult &other);
    CJobResult &operator=(const CJobResult &other);

    void setTextValue(const std::string &text);
    void setTextValue(const char *text);
    std::string getTextValue() const { return std::string(textValue); }
    QString textQ() const { return QString::fromLatin1(textValue); }

    std::string name;
    std::string displayName;
    std::string comment;
    std::string typeName;
    int format = 0;
    qint16 intValue = 0;
    qint32 longValue = 0;
    double realValue = 0.0;
    char textValue[TextCapacity];
    std::string unit;
    std::string numberFormat;
};

Q_DECLARE_METATYPE(CJobResult)
