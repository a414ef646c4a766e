#pragma once
// The worker of a gauge screen: keeps the latest value of every job result
// it has seen, in its own thread, for the screen's timer to sample.
#include "cjob.h"
#include "cjobresultpair.h"

#include <QHash>
#include <QObject>
#include <QString>
#include <mutex>

class GaugeContainerData : public QObject
{
    Q_OBJECT
public:
    explicit GaugeContainerData(QObject *parent = nullptr);

    // The job's own name (not its display name), ".", the result name, all
    // upper-cased, after the ECU's name and ":" where the pair names its ECU.
    // Two ECUs often run jobs of one name with the same results; a dial of
    // one ECU's screen shows that ECU's value once a job of it was seen.
    // Until then, and for a pair without ECU (a log read without its side
    // file), the job of that name of any ECU feeds it: the external
    // sources' readings carry no ECU, while their plot windows' jobs do.
    static QString resultKey(const CJobResultPair &pair);
    static QString resultKey(const std::string &ecuName, const std::string &jobName,
                             const std::string &resultName);

    // The stored value, 0 for a key not seen yet (with or without its
    // ECU). Safe from any thread.
    double value(const QString &key) const;

public slots:
    // Stores the number of every result that has one (as the job gave it),
    // whatever the result code, under its key with and without the job's
    // ECU. A result without a number leaves the stored value as it was.
    void onJobFinished(CJob argJob, int result);

private:
    // A standard lock: ThreadSanitizer sees through it.
    mutable std::mutex m_mutex;
    QHash<QString, double> m_values;
};
