#pragma once
// Hands every finished job on to all listening windows from a thread of its
// own, so that the runner never waits for a window; keeps the registry of
// the jobs that plot windows show, keyed by display name.
#include "cjob.h"

#include <QHash>
#include <mutex>
#include <QObject>

class GlobalJobReceiver : public QObject
{
    Q_OBJECT
public:
    static GlobalJobReceiver *instance();

    void addJob(const CJob &job);
    void removeJob(const CJob &job);
    QList<CJob> jobs();

public slots:
    void onJobFinished(CJob job, int result);

signals:
    void jobFinished(CJob job, int result);
    // Emitted with the mutex released; listeners connect it queued.
    void jobsChanged();

private:
    GlobalJobReceiver();

    std::mutex mutex;
    QHash<QString, CJob> registry;
};
