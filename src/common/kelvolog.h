#pragma once
// Named log4cplus loggers. Nothing is printed until the program sets
// logging up: from a properties file with the "trace" start word, else
// warnings and errors only (showProblems()); the appender "QtDebugAppender"
// forwards records to Qt's message output. Use the LOG4CPLUS_*_FMT macros with "%s"
// (never the Windows "%S"); they test the level before formatting.
#include <log4cplus/logger.h>
#include <log4cplus/loggingmacros.h>
#include <QString>

class KelvoLog
{
public:
    // The logger of that name; the first call sets log4cplus up quietly.
    static log4cplus::Logger get(const char *name);
    // Reads a log4cplus properties file; false when it does not exist.
    static bool configure(const QString &propertiesFile);
    // Every logger's warnings and errors go to the terminal (standard
    // error), as "LEVEL logger: message"; nothing below a warning.
    static void showProblems();
    // Registers the Qt debug appender under its names (done by get()).
    static void ensureInitialised();
    // Whether debug-level messages (qDebug, and log records that the Qt
    // debug appender forwards) are printed. Off, only warnings and worse
    // reach the terminal; the program turns it on with "trace".
    static void showDebugOutput(bool on);
};

// Latin-1 / QString arguments for "%s" in the format macros.
#define KELVO_QS(text) ((text).toLatin1().constData())
