#include "gaugecontainerdata.h"

#include "exactnumber.h"
#include "latin1.h"

#include <QVector>

GaugeContainerData::GaugeContainerData(QObject *parent)
    : QObject(parent)
{
}

QString GaugeContainerData::resultKey(const std::string &ecuName, const std::string &jobName,
                                      const std::string &resultName)
{
    QString key = Latin1::toQString(jobName) + QLatin1Char('.') + Latin1::toQString(resultName);
    if (!ecuName.empty())
        key.prepend(Latin1::toQString(ecuName) + QLatin1Char(':'));
    return key.toUpper();
}

QString GaugeContainerData::resultKey(const CJobResultPair &pair)
{
    return resultKey(pair.job.ecuName, pair.job.jobName, pair.resultName);
}

double GaugeContainerData::value(const QString &key) const
{
    std::lock_guard<std::mutex> locker(m_mutex);
    const auto it = m_values.constFind(key);
    if (it != m_values.cend())
        return it.value();
    // An ECU's name has no ':'; a job's name may.
    const int ecuEnd = key.indexOf(QLatin1Char(':'));
    if (ecuEnd < 0)
        return 0.0;
    return m_values.value(key.mid(ecuEnd + 1), 0.0);
}

void GaugeContainerData::onJobFinished(CJob argJob, int)
{
    // Keys are built before the lock: the GUI thread's reads wait only for
    // the stores themselves.
    QVector<QPair<QString, double>> stores;
    const bool ecuKnown = !argJob.ecuName.empty();
    stores.reserve(argJob.getResultCount() * (ecuKnown ? 2 : 1));
    const QString ecu = Latin1::toQString(argJob.ecuName).toUpper() + QLatin1Char(':');
    for (const CJobResult &r : qAsConst(argJob.results)) {
        // A result without a number (a text, byte data) leaves its gauges
        // where they are: its real value of 0 is no reading.
        double value = 0.0;
        if (!ExactNumber::resultValue(r, value))
            continue;
        const QString key = resultKey(std::string(), argJob.jobName, r.name);
        stores.append(qMakePair(key, value));
        if (ecuKnown)
            stores.append(qMakePair(ecu + key, value));
    }
    std::lock_guard<std::mutex> locker(m_mutex);
    for (const auto &s : qAsConst(stores))
        m_values.insert(s.first, s.second);
}
