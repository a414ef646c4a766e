#pragma once
// The byte strings of the job records are Latin-1; every conversion between
// them and QString goes through this pair (Qt 5's toStdString() is UTF-8).
#include <QByteArray>
#include <QString>
#include <string>

class Latin1
{
public:
    static QString toQString(const std::string &bytes)
    {
        return QString::fromLatin1(bytes.data(), int(bytes.size()));
    }
    static std::string toStd(const QString &text)
    {
        const QByteArray bytes = text.toLatin1();
        return std::string(bytes.constData(), size_t(bytes.size()));
    }
};
