#pragma once
// Writes CSV logs the way the program does, through DataLogger driven in the
// calling thread with a clock of its own: the reader tests, the demo log
// tool and the benchmarks read back what the logger really writes.
#include "datalogger.h"

#include <QString>
#include <memory>

struct CsvLogOptions
{
    QChar separator = QLatin1Char(';');
    QChar decimal = QLatin1Char('.');
    int timeFormat = DataLogger::Milliseconds;
    bool fill = true;
    bool marker = false;
    QString dir;                          // empty: the working directory
    QString prefix = QStringLiteral("log_");
};

// Dates a file's last change to time (ms since the epoch): readers take a
// log changed in the last few seconds for one still being written.
bool setWrittenAt(const QString &path, qint64 time);

class CsvLogWriter
{
public:
    // start: the logger's clock at the start (ms since the epoch).
    CsvLogWriter(const CsvLogOptions &options, qint64 start);
    ~CsvLogWriter();

    // Columns, before start(): the result's display name is the header text.
    void addColumn(const char *ecu, const char *job, const char *result, const char *display = nullptr);
    void start();
    // Logs a job of the given results (name, value text) stamped at time
    // (ms since the epoch); the clock follows the job.
    void write(const char *ecu, const char *job, qint64 time,
               const std::initializer_list<std::pair<const char *, QString>> &results);
    void write(const CJob &job);
    void mark();
    // Stops the log; the CSV file's path. The file is dated to the writer's
    // clock, as if written then.
    QString stop();
    DataLogger &logger() { return *m_logger; }
    qint64 now = 0;

private:
    std::unique_ptr<DataLogger> m_logger;
};
