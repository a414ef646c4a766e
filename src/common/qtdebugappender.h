#pragma once
// A log4cplus appender that forwards each formatted record to Qt's debug
// output: warnings as qWarning, errors and worse as qCritical, the rest as
// qDebug. Properties files name it "log4cplus::QtDebugAppender" (the older
// name "log4cplus::Qt4DebugAppender" is accepted as well).
#include <log4cplus/appender.h>

class QtDebugAppender : public log4cplus::Appender
{
public:
    QtDebugAppender();
    explicit QtDebugAppender(const log4cplus::helpers::Properties &properties);
    ~QtDebugAppender() override;
    void close() override;
    static void registerFactory();

protected:
    void append(const log4cplus::spi::InternalLoggingEvent &event) override;
};
