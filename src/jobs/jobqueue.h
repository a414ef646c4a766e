#pragma once
// The process-wide set of jobs the runner repeats, one after another, for as
// long as they stay queued. Jobs are keyed by display name + "." + ECU name.
#include "cjob.h"
#include "kelvolog.h"

#include <QHash>
#include <mutex>
#include <QObject>

class JobQueue : public QObject
{
    Q_OBJECT
public:
    enum Event { JobRemoved = 0, JobAdded = 1 };
    Q_ENUM(Event)

    static JobQueue *instance();
    static void destroy();

    // Clears the caller's results; false (and no signal) when the key is queued.
    bool addJob(CJob &job);
    // Announces the stored copy, not the argument.
    void removeJob(CJob &job);
    // Round robin over the table in its iteration order; "" when empty.
    QString getNextJob();
    CJob job(const QString &key);
    int jobCount();
    QList<CJob> jobs();
    static QString jobKey(const CJob &job);

signals:
    void statusChanged(JobQueue::Event event, CJob job);

private:
    JobQueue();
    ~JobQueue() override;

    QHash<QString, CJob> table;
    QString currentKey;
    std::mutex mutex;
    log4cplus::Logger logger;
};

Q_DECLARE_METATYPE(JobQueue::Event)
