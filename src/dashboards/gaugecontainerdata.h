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
    // one ECU's screen shows only that ECU's values, and, until one of them
    // comes, those of a job without ECU (the external sources' readings
    // carry none, while their plot windows' jobs name one); never another
    // ECU's. A pair without ECU (a log read without its side file) follows
    // the first source, ECU or none, whose job of that name brings the
    // result.
    static QString resultKey(const CJobResultPair &pair);
    static QString resultKey(const std::string &ecuName, const std::string &jobName,
                             const std::string &resultName);

    // The latest value of the key; false while none has come. Safe from
    // any thread.
    bool value(const QString &key, double *value) const;

public slots:
    // Stores the number of every result that has one (as the job gave it),
    // whatever the result code. A result without a number leaves the stored
    // value as it was.
    void onJobFinished(CJob argJob, int result);

private:
    // A standard lock: ThreadSanitizer sees through it.
    mutable std::mutex m_mutex;
    // By ECU and key ("ECU:JOB.RESULT"), jobs without ECU under ":" and
    // the key, and by the key alone the values of the first source of it.
    QHash<QString, double> m_values;
    // The source (upper-cased ECU, empty for none) that the key alone
    // follows.
    QHash<QString, QString> m_sourceOf;
};
