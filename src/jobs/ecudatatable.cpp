#include "ecudatatable.h"

#include "cjob.h"
#include "ecudatatableregistry.h"
#include "kelvolog.h"
#include "latin1.h"

#include <QFileInfo>
#include <QVector>

EcuDataTable::EcuDataTable(const QString &name, QObject *parent)
    : QObject(parent), m_name(name), logger(KelvoLog::get("datatable"))
{
}

bool EcuDataTable::loadTable(const QString &path)
{
    LOG4CPLUS_DEBUG_FMT(logger, "EcuDataTable loadTable:%s", KELVO_QS(path));
    const QString key = QFileInfo(path).fileName().section(QLatin1Char('.'), 0, 0);
    const EcuDataTableRegistry *registry = EcuDataTableRegistry::instance();
    if (!registry->contains(key)) {
        LOG4CPLUS_WARN_FMT(logger, "table not found: %s", KELVO_QS(key));
        return true;
    }
    loadText(registry->tableText(key));
    return true;
}

void EcuDataTable::loadText(const QString &text)
{
    const QVector<QStringRef> lines = text.splitRef(QLatin1Char('\n'));
    for (QStringRef line : lines) {
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
        if (line.isEmpty())
            break;
        if (line.startsWith(QLatin1String("!!!")))
            continue;
        const QStringList fields = line.toString().split(QLatin1Char('\t'));
        if (fields.size() != ResultInfoRow::ColumnCount)
            LOG4CPLUS_WARN_FMT(logger, "resultrow columns count NOT 17 !!!!!!!!!!: size %d,%s",
                               int(fields.size()), KELVO_QS(fields.first()));
        const ResultInfoRow row = ResultInfoRow::fromFields(fields);
        rows.append(row);
        auto group = rowGroups.find(row.TELEGRAM);
        if (group == rowGroups.end()) {
            group = rowGroups.insert(row.TELEGRAM, QList<ResultInfoRow>());
            telegramOrder.append(row.TELEGRAM);
        }
        group->append(row);
        if (logger.isEnabledFor(log4cplus::DEBUG_LOG_LEVEL)) {
            const QString what = row.TELEGRAM + QLatin1Char(',') + row.NAME + QLatin1Char(',') + row.JOBNAME;
            LOG4CPLUS_DEBUG_FMT(logger, "added row: %s %s, total telegrams count:%d",
                                KELVO_QS(m_name), KELVO_QS(what), int(group->size()));
        }
    }
}

bool EcuDataTable::getResultsByTelegram(const CJob &job, QList<ResultInfoRow> &out) const
{
    const auto group = rowGroups.constFind(Latin1::toQString(job.telegram));
    if (group == rowGroups.constEnd()) {
        LOG4CPLUS_WARN_FMT(logger, "job telegram:%s NOT FOUND from table", job.telegram.c_str());
        return false;
    }
    out.append(*group);
    return true;
}

std::unique_ptr<QList<ResultInfoRow>> EcuDataTable::rowsForTelegram(const CJob &job) const
{
    const auto group = rowGroups.constFind(Latin1::toQString(job.telegram));
    if (group == rowGroups.constEnd())
        return nullptr;
    return std::make_unique<QList<ResultInfoRow>>(*group);
}
