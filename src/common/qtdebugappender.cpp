#include "qtdebugappender.h"

#include <log4cplus/spi/factory.h>
#include <log4cplus/layout.h>
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
