#include "gaugelist.h"
#include "gaugedefmanager.h"
#include "latin1.h"

#include <QDebug>
#include <QStringList>
#include <cmath>

GaugeDef GaugeListBuilder::plotWindowDefaults()
{
    GaugeDef def;
    def.unit = QStringLiteral("-");
    def.min = 0;
    def.max = 1;
    def.needleColor = QColor(QStringLiteral("#157DEC"));
    def.color = QColor(QStringLiteral("#ff7f00"));
    def.fillColor = QColor(QStringLiteral("#000000"));
    def.textColor = QColor(QStringLiteral("#ffffff"));
    def.titleColor = QColor(QStringLiteral("#FFFFFF"));
    return def;
}

int GaugeListBuilder::columnsFor(int count)
{
    // An empty screen still has a column to put a later gauge in.
    if (count <= 1)
        return 1;
    int columns = int(std::sqrt(double(count)));
    // Guard the floating-point root against landing just below a square.
    while ((columns + 1) * (columns + 1) <= count)
        ++columns;
    return columns;
}

QString GaugeListBuilder::strippedName(const QString &resultName)
{
    QString name = resultName;
    name.remove(QStringLiteral("STAT_"));
    name.remove(QStringLiteral("_WERT"));
    return name;
}

GaugeList GaugeListBuilder::build(const QList<CJobResultPair> &pairs, const GaugeDefManager &manager,
                                  const GaugeDef &defaults, const TitleLookup &title)
{
    GaugeList list;
    list.columns = columnsFor(pairs.size());

    QStringList ecus;
    for (const CJobResultPair &pair : pairs) {
        const QString ecu = Latin1::toQString(pair.job.ecuName);
        if (!ecus.contains(ecu))
            ecus << ecu;
    }
    qDebug() << "count of unique ecus:" << ecus.size();

    for (const QString &ecu : qAsConst(ecus)) {
        qDebug() << "ecu:" << ecu;
        const QList<GaugeDef> defs = manager.gaugeDefs(ecu);
        qDebug() << "jobs: " << defs.size();
        for (const CJobResultPair &pair : pairs) {
            if (Latin1::toQString(pair.job.ecuName) != ecu)
                continue;
            const QString jobName = Latin1::toQString(pair.job.jobName);
            const QString resultName = Latin1::toQString(pair.resultName);
            qDebug() << "looping: " << jobName << "-" << resultName;
            // The files' names are upper-cased when read; the job's are not.
            GaugeDef wanted;
            wanted.jobName = jobName.toUpper();
            wanted.resultName = resultName.toUpper();

            GaugeListEntry entry;
            entry.pair = pair;
            const int found = defs.indexOf(wanted);
            if (found >= 0) {
                qDebug() << "found!";
                qDebug() << "add: " << jobName << "-" << resultName;
                entry.def = defs.at(found);
                entry.autoScale = false;
            } else {
                qDebug() << "does not contain, create new gaugedef";
                entry.def = defaults;
                entry.def.jobName = wanted.jobName;
                entry.def.resultName = wanted.resultName;
                entry.def.title = title ? title(wanted.resultName) : QString();
                if (entry.def.title.isEmpty())
                    entry.def.title = strippedName(resultName);
                entry.autoScale = true;
            }
            list.entries << entry;
        }
    }
    return list;
}
