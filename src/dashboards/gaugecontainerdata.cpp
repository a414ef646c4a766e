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

bool GaugeContainerData::value(const QString &key, double *value) const
{
    std::lock_guard<std::mutex> locker(m_mutex);
    auto it = m_values.constFind(key);
    if (it == m_values.cend()) {
        // An ECU's name has no ':'; a job's name may. An ECU's dial takes
        // a job without ECU, never another ECU's.
        const int ecuEnd = key.indexOf(QLatin1Char(':'));
        if (ecuEnd <= 0)
            return false;
        it = m_values.constFind(key.mid(ecuEnd));
        if (it == m_values.cend())
            return false;
    }
    *value = it.value();
    return true;
}

void GaugeContainerData::onJobFinished(CJob argJob, int)
{
    // Keys are built before the lock: the GUI thread's reads wait only for
    // the stores themselves.
    struct Store
    {
        QString key;
        double value;
    };
    QVector<Store> stores;
    stores.reserve(argJob.getResultCount());
    const QString source = Latin1::toQString(argJob.ecuName).toUpper();
    for (const CJobResult &r : qAsConst(argJob.results)) {
        // A result without a number (a text, byte data) leaves its gauges
        // where they are: its real value of 0 is no reading.
        double value = 0.0;
        if (!ExactNumber::resultValue(r, value))
            continue;
        stores.append(Store{resultKey(std::string(), argJob.jobName, r.name), value});
    }
    const QString prefix = source + QLatin1Char(':');
    std::lock_guard<std::mutex> locker(m_mutex);
    for (const Store &s : qAsConst(stores)) {
        m_values.insert(prefix + s.key, s.value);
        // The key alone keeps to the first source that brought it.
        const auto first = m_sourceOf.constFind(s.key);
        if (first == m_sourceOf.cend())
            m_sourceOf.insert(s.key, source);
        else if (first.value() != source)
            continue;
        m_values.insert(s.key, s.value);
    }
}
