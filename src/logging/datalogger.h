#pragma once
// Writes the values of finished jobs to a CSV log, one line per job and one
// column per selected result, with an XML side file beside every log. Lives
// in a thread of its own: every call made from another thread is carried out
// in the logger's thread, in call order, so the window never touches the
// file, the buffer or the columns while a job is being written.
#include "cjobresultpair.h"
#include "jobidentity.h"
#include "kelvolog.h"
#include "loggingrule.h"

#include <QChar>
#include <QElapsedTimer>
#include <QFile>
#include <QHash>
#include <QObject>
#include <QSet>
#include <QStringList>
#include <QVector>
#include <atomic>
#include <functional>
#include <mutex>

class DataLogger : public QObject
{
    Q_OBJECT
public:
    enum FileStatus { Stopped = 0, Saving = 1 };
    enum TimeFormat { Milliseconds = 0, TimeInSeconds = 1, CurrentTime = 2, SystemTimeMilliseconds = 3 };
    using Clock = std::function<qint64()>;

    explicit DataLogger(QObject *parent = nullptr);
    ~DataLogger() override;

    void setDecimalSeparator(QChar c);
    void setSeparator(QChar c);
    void setTimeFormat(int code);
    void setFillColumns(bool fill);
    void setMarkerColumn(bool on);
    void setLogPath(const QString &path);
    void setFilePrefix(const QString &prefix);
    void clearFilter();
    void addToFilter(const CJobResultPair &pair);
    // A job (ECU, display name, arguments) whose values only fill the
    // lines of other jobs while all columns are filled.
    void addSyncJob(const CJob &job);
    void clearSyncJobs();
    void setRule(const LoggingRule &rule);
    void startLog(const QString &reason = QString());
    void stopLog();
    // Milliseconds since the epoch for start times and time format 3; tests
    // inject a fixed clock.
    void setClock(Clock clock);

    // Readers, safe from any thread.
    bool isRuleActive() const;
    QString fileName() const;
    int filterCount() const;
    // Lines written to the current file, or to the one just closed until
    // the next start.
    int lineCount() const { return m_lineCount.load(); }
    int fileStatus() const { return m_fileStatus.load(); }
    QList<CJobResultPair> saveFilter() const;

    // The text a value gets in a cell (exposed for the log reader's tests):
    // a number with the fewest digits that read back as it, in the decimal
    // character; any other text as it is.
    static QString cellText(const QString &value, int format, QChar decimal, QChar separator);
    // The decimal character written with that separator: the one chosen,
    // unless it is the separator itself, then ".". (The separators offered
    // are ";", "," and tab.)
    static QChar decimalFor(QChar decimal, QChar separator);
    // A column's header text, also its name in the side file: the result's
    // display name, else its name.
    static QString columnTitle(const CJobResultPair &entry);

signals:
    void logFileStarted(const QString &filename);
    void logFileStopped(const QString &filename);
    // A log or side file could not be created or written.
    void logFileError(const QString &message);

public slots:
    void handleData(CJob job);
    void onMarkerEvent();

protected slots:
    // False when the file refused the bytes (a full disk); reported.
    bool writeBuffer();

private:
    template <class F> void inLoggerThread(F f);
    void doStart();
    void doStop();
    void checkRules(int column);
    void writeLine(const QString &line);
    bool writeInfoFile();
    QString headerLine() const;
    QString timeColumn(const CJob &job, quint64 sinceStart) const;
    QStringList columnSignature() const;
    // jobTime: the time of the job being handled.
    void restartIfColumnsChanged(qint64 jobTime);
    void syncToDisk(bool force);
    void publishState();
    // The job and result keys of the columns, the sync jobs and the rule,
    // after the columns changed.
    void rebuildKeys();
    static QString clean(QString text, QChar separator);
    static QString quoted(const QString &text);

    QFile logFile;
    QList<CJobResultPair> filter;
    // Jobs are told apart by ECU and display name (and arguments where two
    // columns' jobs differ only by them): two ECUs' jobs of one name fill
    // their own columns, not each other's.
    JobIdentity identity;
    // Per column, kept with the filter: its job's key and its result key.
    QStringList filterJobIds;
    QStringList filterKeys;
    // The columns of each job key.
    QHash<QString, QVector<int>> columnsOfJob;
    // The latest value of a result: its text as it came, and the number it
    // carries (ExactNumber::resultValue) with that number's exact text,
    // written once and put into every cell that shows the value.
    struct Value
    {
        QString text;
        QString number;
        double real = 0.0;
        bool isNumber = false;
    };
    // The text of a cell that shows value (cellText's rule).
    static QString cell(const Value &value, int format, QChar decimal, QChar separator);
    QHash<QString, Value> resultValues;
    // Per column: filled by the job being handled.
    QVector<bool> delivered;
    log4cplus::Logger logger;
    log4cplus::Logger logger2;
    log4cplus::Logger ruleLogger;
    // Lines in the file (the last one, once stopped): counted when they
    // reach it, so a line the disk refused is not among them.
    std::atomic<int> m_lineCount{0};
    int bufferedLines = 0;
    qint64 startTime = 0;
    QString m_fileName;
    QChar separator = QLatin1Char(';');
    QChar decimal = QLatin1Char('.');
    bool fillColumns = false;
    int timeFormat = Milliseconds;
    QString timeFormatText = QStringLiteral("HH:mm:ss.zzz");
    std::atomic<int> m_fileStatus{Stopped};
    QList<CJob> syncJobs;
    QSet<QString> syncJobIds;
    LoggingRule rule;
    QString ruleJobId;
    QString buffer;
    bool markerColumn = false;
    int markerCount = 0;
    const QString markerText = QStringLiteral("Marker.");
    // Set when a file took no more lines; a rule then starts no new file
    // until the user starts one.
    bool writeFailed = false;
    QString filePrefix;
    QString logDir;
    Clock clock;

    // The columns the current file was started with, and when they changed.
    QStringList fileColumns;
    qint64 columnsChangedAt = 0;
    QElapsedTimer sinceSync;

    // Snapshot for the readers in other threads.
    mutable std::mutex stateMutex;
    QString sharedFileName;
    QList<CJobResultPair> sharedFilter;
    bool sharedRuleActive = false;
};
