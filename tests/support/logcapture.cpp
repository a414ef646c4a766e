#include "logcapture.h"
#include "kelvolog.h"

#include <log4cplus/spi/loggingevent.h>

class LogCapture::Appender : public log4cplus::Appender
{
public:
    ~Appender() override { destructorImpl(); }
    void close() override {}

    QList<Record> taken() const
    {
        QMutexLocker lock(&mutex);
        return records;
    }
    void clear()
    {
        QMutexLocker lock(&mutex);
        records.clear();
    }

protected:
    void append(const log4cplus::spi::InternalLoggingEvent &event) override
    {
        QMutexLocker lock(&mutex);
        records << Record{int(event.getLogLevel()), QString::fromStdString(event.getMessage())};
    }

private:
    mutable QMutex mutex;
    QList<Record> records;
};

LogCapture::LogCapture(const char *loggerName)
    : logger(KelvoLog::get(loggerName))
    , appender(new Appender)
{
    previousLevel = logger.getLogLevel();
    previousAdditivity = logger.getAdditivity();
    logger.setLogLevel(log4cplus::TRACE_LOG_LEVEL);
    // Only this appender: nothing reaches the root's appenders meanwhile.
    logger.setAdditivity(false);
    logger.addAppender(appender);
}

LogCapture::~LogCapture()
{
    logger.removeAppender(appender);
    logger.setAdditivity(previousAdditivity);
    logger.setLogLevel(previousLevel);
}

QList<LogCapture::Record> LogCapture::records() const
{
    return static_cast<Appender *>(appender.get())->taken();
}

int LogCapture::count(int level, const QString &text) const
{
    int n = 0;
    for (const Record &r : records()) {
        if (r.level == level && r.message.contains(text))
            ++n;
    }
    return n;
}

bool LogCapture::contains(const QString &text) const
{
    for (const Record &r : records()) {
        if (r.message.contains(text))
            return true;
    }
    return false;
}

void LogCapture::clear()
{
    static_cast<Appender *>(appender.get())->clear();
}
