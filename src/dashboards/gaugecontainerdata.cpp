#include "gaugecontainerdata.h"

#include "latin1.h"

#include <QVector>

GaugeContainerData::GaugeContainerData(QObject *parent)
    : QObject(parent)
{
}

QString GaugeContainerData::resultKey(const std::string &jobName, const std::string &resultName)
{
    return (Latin1::toQString(jobName) + QLatin1Char('.') + Latin1::toQString(resultName)).toUpper();
}

QString GaugeContainerData::resultKey(const CJobResultPair &pair)
{
    return resultKey(pair.job.jobName, pair.resultName);
}

double GaugeContainerData::value(const QString &key) const
{
    std::lock_guard<std::mutex> locker(m_mutex);
    return m_values.value(key, 0.0);
}

void GaugeContainerData::onJobFinished(CJob argJob, int)
{
    // Keys are built before the lock: the GUI thread's reads wait only for
    // the stores themselves.
    QVector<QPair<QString, double>> stores;
    stores.reserve(argJob.getResultCount());
    for (const CJobResult &r : qAsConst(argJob.results))
        stores.append(qMakePair(resultKey(argJob.jobName, r.name), r.realValue));
    std::lock_guard<std::mutex> locker(m_mutex);
    for (const auto &s : qAsConst(stores))
        m_values.insert(s.first, s.second);
}
