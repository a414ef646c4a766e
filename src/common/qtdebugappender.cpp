#include "qtdebugappender.h"

#include <log4cplus/spi/factory.h>
#include <log4cplus/layout.h>
#include <log4cplus/spi/loggingevent.h>
#include <QtGlobal>
#include <sstream>

QtDebugAppender::QtDebugAppender() = default;

QtDebugAppender::QtDebugAppender(const log4cplus::helpers::Properties &properties)
    : log4cplus::Appender(properties)
{
}

QtDebugAppender::~QtDebugAppender()
{
    destructorImpl();
}

void QtDebugAppender::close()
{
    closed = true;
}

void QtDebugAppender::append(const log4cplus::spi::InternalLoggingEvent &event)
{
    log4cplus::tostringstream out;
    layout->formatAndAppend(out, event);
    std::string text = LOG4CPLUS_TSTRING_TO_STRING(out.str());
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r'))
        text.pop_back();
    // Warnings and errors stay warnings and errors: they are printed also
    // when debug lines are not.
    const log4cplus::LogLevel level = event.getLogLevel();
    if (level >= log4cplus::ERROR_LOG_LEVEL)
        qCritical("%s", text.c_str());
    else if (level >= log4cplus::WARN_LOG_LEVEL)
        qWarning("%s", text.c_str());
    else
        qDebug("%s", text.c_str());
}

void QtDebugAppender::registerFactory()
{
    auto &registry = log4cplus::spi::getAppenderFactoryRegistry();
    registry.put(std::unique_ptr<log4cplus::spi::AppenderFactory>(
        new log4cplus::spi::FactoryTempl<QtDebugAppender, log4cplus::spi::AppenderFactory>(
            LOG4CPLUS_TEXT("log4cplus::QtDebugAppender"))));
    registry.put(std::unique_ptr<log4cplus::spi::AppenderFactory>(
        new log4cplus::spi::FactoryTempl<QtDebugAppender, log4cplus::spi::AppenderFactory>(
            LOG4CPLUS_TEXT("log4cplus::Qt4DebugAppender"))));
}
