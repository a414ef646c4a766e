#pragma once
// Records what one named log4cplus logger writes while the object lives:
// the logger is opened to every level and an appender keeps each record's
// level and message. Level and appender go when the object goes.
#include <QList>
#include <QMutex>
#include <QString>
#include <log4cplus/appender.h>
#include <log4cplus/logger.h>

class LogCapture
{
public:
    explicit LogCapture(const char *loggerName);
    ~LogCapture();
    LogCapture(const LogCapture &) = delete;
    LogCapture &operator=(const LogCapture &) = delete;

    struct Record
    {
        int level; // log4cplus::TRACE_LOG_LEVEL ... FATAL_LOG_LEVEL
        QString message;
    };
    QList<Record> records() const;
    // How many records of that level hold the text.
    int count(int level, const QString &text) const;
    // Whether any record of any level holds the text.
    bool contains(const QString &text) const;
    void clear();

private:
    class Appender;
    log4cplus::Logger logger;
    log4cplus::SharedAppenderPtr appender;
    int previousLevel;
    bool previousAdditivity;
};
