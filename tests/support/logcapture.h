#pragma once
// Collects what one named logger writes while it lives, whatever "trace"
// would print: the logger is opened to every level and a collecting appender
// is attached; both are undone on destruction. Safe to read while other
// threads log.
#include <log4cplus/appender.h>
#include <log4cplus/logger.h>
#include <QStringList>
#include <memory>
#include <mutex>

class LogCapture
{
public:
    explicit LogCapture(const char *loggerName);
    ~LogCapture();
    LogCapture(const LogCapture &) = delete;
    LogCapture &operator=(const LogCapture &) = delete;

    // Every record so far as "LEVEL message".
    QStringList lines() const;
    // Records whose message contains the text.
    int count(const QString &text) const;
    bool contains(const QString &text) const { return count(text) > 0; }

private:
    struct Store
    {
        mutable std::mutex mutex;
        QStringList lines;
    };
    std::shared_ptr<Store> store;
    log4cplus::Logger logger;
    log4cplus::SharedAppenderPtr appender;
    log4cplus::LogLevel previousLevel;
    bool previousAdditivity;
};
