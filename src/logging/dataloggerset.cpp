#include "dataloggerset.h"
#include "kelvolog.h"
#include "safefile.h"

#include <QDebug>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>

DataLoggerSet::DataLoggerSet(QObject *parent)
    : QObject(parent)
{
}

DataLoggerSet::~DataLoggerSet() = default;

QString DataLoggerSet::fileName()
{
    return QStringLiteral("config/datalogger.json");
}

void DataLoggerSet::setLoggingSets(const QVariantMap &map)
{
    qDebug() << "setName";
    sets = map;
}

QVariantList DataLoggerSet::presetEntries(const QString &name) const
{
    return sets.value(name).toList();
}

void DataLoggerSet::insertPreset(const QString &name, const QVariant &entries)
{
    sets.insert(name, entries);
}

int DataLoggerSet::removePreset(const QString &name)
{
    return sets.remove(name);
}

QVariantMap DataLoggerSet::entry(const QString &ecu, const QString &job, const QString &result)
{
    QVariantMap e;
    e.insert(QStringLiteral("ecu"), ecu);
    e.insert(QStringLiteral("job"), job);
    e.insert(QStringLiteral("result"), result);
    return e;
}

QList<int> DataLoggerSet::rowsToTick(const QString &name, const QVariantList &rows) const
{
    const QString ecuKey = QStringLiteral("ecu");
    const QString jobKey = QStringLiteral("job");
    const QString resultKey = QStringLiteral("result");
    QList<int> tick;
    for (const QVariant &v : presetEntries(name)) {
        const QVariantMap e = v.toMap();
        const QString ecu = e.value(ecuKey).toString();
        const QString job = e.value(jobKey).toString();
        const QString result = e.value(resultKey).toString();
        for (int row = 0; row < rows.size(); ++row) {
            const QVariantMap r = rows[row].toMap();
            // ECU names are case-blind, as their description files are.
            if (r.value(jobKey).toString() == job && r.value(resultKey).toString() == result
                && (ecu.isEmpty() || r.value(ecuKey).toString().compare(ecu, Qt::CaseInsensitive) == 0)
                && !tick.contains(row))
                tick << row;
        }
    }
    std::sort(tick.begin(), tick.end());
    return tick;
}

DataLoggerSet::ReadStatus DataLoggerSet::readFile(QString *error)
{
    auto logger = KelvoLog::get("logging");
    sets.clear();
    QFile file(fileName());
    if (!file.exists()) {
        status = Missing;
        return status;
    }
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        LOG4CPLUS_ERROR_FMT(logger, "can't open file error: %s", KELVO_QS(file.fileName()));
        qDebug() << "read error" << file.fileName();
        if (error)
            *error = QStringLiteral("Cannot read \"%1\": %2").arg(file.fileName(), file.errorString());
        status = Invalid;
        return status;
    }
    QJsonParseError parseError;
    const QJsonDocument doc = QJsonDocument::fromJson(file.readAll(), &parseError);
    if (parseError.error != QJsonParseError::NoError || !doc.isObject()) {
        const QString message = QStringLiteral("\"%1\" is not a valid presets file (%2); it is left as it is")
                                    .arg(file.fileName(), parseError.error != QJsonParseError::NoError
                                                              ? parseError.errorString()
                                                              : QStringLiteral("not a JSON object"));
        LOG4CPLUS_ERROR_FMT(logger, "%s", KELVO_QS(message));
        if (error)
            *error = message;
        status = Invalid;
        return status;
    }
    const QVariantMap top = doc.object().toVariantMap();
    setLoggingSets(top.value(QStringLiteral("loggingSets")).toMap());
    status = Loaded;
    return status;
}

bool DataLoggerSet::writeFile(QString *error)
{
    auto logger = KelvoLog::get("logging");
    if (status == Invalid) {
        const QString message =
            QStringLiteral("\"%1\" could not be read; presets are not saved over it").arg(fileName());
        LOG4CPLUS_ERROR_FMT(logger, "%s", KELVO_QS(message));
        if (error)
            *error = message;
        return false;
    }
    QJsonObject top;
    top.insert(QStringLiteral("loggingSets"), QJsonObject::fromVariantMap(sets));
    SafeFile file(fileName(), SafeFile::CreateFolder);
    if (!file.write(QJsonDocument(top).toJson(QJsonDocument::Indented))) {
        const QString message = QStringLiteral("Cannot write \"%1\": %2").arg(fileName(), file.errorString());
        LOG4CPLUS_ERROR_FMT(logger, "%s", KELVO_QS(message));
        if (error)
            *error = message;
        return false;
    }
    return true;
}
