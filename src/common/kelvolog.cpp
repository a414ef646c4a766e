#include "kelvolog.h"
#include "qtdebugappender.h"

#include <log4cplus/configurator.h>
#include <log4cplus/initializer.h>
#include <log4cplus/layout.h>
#include <log4cplus/helpers/loglog.h>
#include <log4cplus/spi/factory.h>
#include <QFileInfo>
#include <QLoggingCategory>
#include <mutex>

namespace {
std::once_flag initOnce;
}

void KelvoLog::ensureInitialised()
{
    std::call_once(initOnce, [] {
        log4cplus::initialize();
        // Without configuration the program is silent: no "no appenders" noise.
        log4cplus::helpers::LogLog::getLogLog()->setQuietMode(true);
        log4cplus::Logger::getRoot().setLogLevel(log4cplus::OFF_LOG_LEVEL);
        QtDebugAppender::registerFactory();
    });
}

log4cplus::Logger KelvoLog::get(const char *name)
{
    ensureInitialised();
    return log4cplus::Logger::getInstance(LOG4CPLUS_C_STR_TO_TSTRING(name));
}

bool KelvoLog::configure(const QString &propertiesFile)
{
    ensureInitialised();
    if (!QFileInfo(propertiesFile).isFile())
        return false;
    log4cplus::helpers::LogLog::getLogLog()->setQuietMode(false);
    log4cplus::PropertyConfigurator::doConfigure(LOG4CPLUS_C_STR_TO_TSTRING(propertiesFile.toLocal8Bit().constData()));
    return true;
}

void KelvoLog::showProblems()
{
    ensureInitialised();
    log4cplus::Logger root = log4cplus::Logger::getRoot();
    log4cplus::SharedAppenderPtr appender(new QtDebugAppender);
    appender->setName(LOG4CPLUS_TEXT("problems"));
    appender->setLayout(std::unique_ptr<log4cplus::Layout>(new log4cplus::PatternLayout(LOG4CPLUS_TEXT("%p %c: %m"))));
    root.removeAllAppenders();
    root.addAppender(appender);
    root.setLogLevel(log4cplus::WARN_LOG_LEVEL);
}

void KelvoLog::showDebugOutput(bool on)
{
    // qDebug() writes to the category "default"; Qt's own categories keep
    // their own defaults.
    QLoggingCategory::setFilterRules(on ? QStringLiteral("default.debug=true") : QStringLiteral("default.debug=false"));
}
