#include "logcapture.h"
#include "kelvolog.h"

#include <log4cplus/spi/loggingevent.h>
#include <functional>

namespace {
class CollectingAppender : public log4cplus::Appender
{
public:
    using Sink = std::function<void(const QString &)>;
    explicit CollectingAppender(Sink sink)
        : sink(std::move(sink))
    {
    }
    ~CollectingAppender() override { destructorImpl(); }
    void close() override { closed = true; }

protected:
    void append(const log4cplus::spi::InternalLoggingEvent &event) override
    {
        const std::string level = LOG4CPLUS_TSTRING_TO_STRING(
            log4cplus::getLogLevelManager().toString(event.getLogLevel()));
        const std::string message = LOG4CPLUS_TSTRING_TO_STRING(event.getMessage());
        sink(QString::fromStdString(level) + QLatin1Char(' ') + QString::fromLatin1(message.c_str()));
    }

private:
    Sink sink;
};
} // namespace

LogCapture::LogCapture(const char *loggerName)
    : store(std::make_shared<Store>())
    , logger(KelvoLog::get(loggerName))
{
    previousLevel = logger.getLogLevel();
    previousAdditivity = logger.getAdditivity();
    std::shared_ptr<Store> s = store;
    appender = log4cplus::SharedAppenderPtr(new CollectingAppender([s](const QString &line) {
        std::lock_guard<std::mutex> lock(s->mutex);
        s->lines << line;
    }));
    logger.addAppender(appender);
    logger.setLogLevel(log4cplus::ALL_LOG_LEVEL);
    // Only this capture: the root's appenders, if any, stay quiet.
    logger.setAdditivity(false);
}

LogCapture::~LogCapture()
{
    logger.removeAppender(appender);
    logger.setLogLevel(previousLevel);
    logger.setAdditivity(previousAdditivity);
}

QStringList LogCapture::lines() const
{
    std::lock_guard<std::mutex> lock(store->mutex);
    return store->lines;
}

int LogCapture::count(const QString &text) const
{
    int n = 0;
    for (const QString &line : lines())
        if (line.contains(text))
            ++n;
    return n;
}
