#include "plxsensorconfigmanager.h"
#include "safefile.h"

#include <QDebug>
#include <QDomDocument>
#include <QFile>

namespace {
// The integer of an element's text or attribute; ok false when it is none.
int integer(const QString &text, bool *ok)
{
    return text.trimmed().toInt(ok);
}

bool parseFile(const QString &path, QDomDocument &doc, QString *error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        *error = file.errorString();
        return false;
    }
    int line = 0;
    int column = 0;
    QString message;
    if (!doc.setContent(&file, &message, &line, &column)) {
        *error = QStringLiteral("%1 at line %2, column %3").arg(message).arg(line).arg(column);
        return false;
    }
    return true;
}

bool saveDocument(const QString &path, const QDomDocument &doc, QString *error)
{
    SafeFile file(path, SafeFile::CreateFolder);
    if (!file.write(doc.toByteArray(1))) {
        *error = file.errorString();
        return false;
    }
    return true;
}
} // namespace

PLXSensorConfigManager::PLXSensorConfigManager(QObject *parent)
    : QObject(parent)
    , logger(KelvoLog::get("plx"))
    , configPath(QStringLiteral("config/PLXSensorsConfig.xml"))
    , defsPath(QStringLiteral("config/PLXSensors.xml"))
{
}

PLXSensorConfigManager::~PLXSensorConfigManager()
{
    clearDefs();
}

void PLXSensorConfigManager::clearDefs()
{
    qDeleteAll(defs);
    defs.clear();
}

bool PLXSensorConfigManager::fail(const QString &why)
{
    error = why;
    LOG4CPLUS_ERROR_FMT(logger, "%s", KELVO_QS(why));
    return false;
}

void PLXSensorConfigManager::load()
{
    clearDefs();
    readDefs();
    readConfigs();
}

void PLXSensorConfigManager::readDefs()
{
    QDomDocument doc;
    QString why;
    if (!parseFile(defsPath, doc, &why)) {
        LOG4CPLUS_ERROR_FMT(logger, "defs config:%s not found! %s", KELVO_QS(defsPath), KELVO_QS(why));
        return;
    }
    const QDomElement root = doc.documentElement();
    const QDomNodeList blocks = root.elementsByTagName(QStringLiteral("SensorDefinition"));
    LOG4CPLUS_DEBUG_FMT(logger, "root: %s", KELVO_QS(root.tagName()));
    LOG4CPLUS_DEBUG_FMT(logger, "Configuration blocks found: %d", blocks.count());
    for (int i = 0; i < blocks.count(); ++i) {
        // Name, address and units, taken by position whatever their tags.
        QList<QDomElement> parts;
        for (QDomElement e = blocks.at(i).firstChildElement(); !e.isNull() && parts.size() < 3;
             e = e.nextSiblingElement())
            parts << e;
        if (parts.size() < 2) {
            LOG4CPLUS_WARN_FMT(logger, "sensor definition %d has no address: skipped", i);
            continue;
        }
        bool ok = false;
        const int address = integer(parts.at(1).text(), &ok);
        if (!ok) {
            LOG4CPLUS_WARN_FMT(logger, "sensor definition %d: address '%s' is no integer: skipped", i,
                               KELVO_QS(parts.at(1).text()));
            continue;
        }
        auto *def = new PLXSensorDefinition;
        def->name = parts.at(0).text();
        def->address = address;
        LOG4CPLUS_DEBUG_FMT(logger, "name: %s", KELVO_QS(def->name));
        LOG4CPLUS_DEBUG_FMT(logger, "addr: %d", address);
        if (parts.size() > 2) {
            for (QDomElement u = parts.at(2).firstChildElement(); !u.isNull(); u = u.nextSiblingElement()) {
                const QString name = u.attribute(QStringLiteral("name"));
                const QString num = u.attribute(QStringLiteral("num"));
                LOG4CPLUS_DEBUG_FMT(logger, "unit name: %s", KELVO_QS(name));
                LOG4CPLUS_DEBUG_FMT(logger, "unit num: %s", KELVO_QS(num));
                def->units.append(qMakePair(name, num));
            }
        }
        // A later definition of the same address takes its place.
        delete defs.value(address, nullptr);
        defs.insert(address, def);
    }
}

bool PLXSensorConfigManager::readConfigs()
{
    error.clear();
    if (!QFile::exists(configPath)) {
        LOG4CPLUS_INFO_FMT(logger, "sensor config %s not read: there is none", KELVO_QS(configPath));
        configs.clear();
        return true;
    }
    QDomDocument doc;
    QString why;
    if (!parseFile(configPath, doc, &why)) {
        // The user's file, broken by hand or half written: the units chosen
        // so far stay until it reads again.
        for (PLXSensorConf &conf : configs) {
            const PLXSensorDefinition *def = definition(conf.address);
            conf.unitName = def ? def->unitName(conf.unitNum) : QString();
        }
        return fail(QStringLiteral("%1 does not read: %2").arg(configPath, why));
    }
    QList<PLXSensorConf> read;
    const QDomElement root = doc.documentElement();
    LOG4CPLUS_DEBUG_FMT(logger, "rootTag: %s", KELVO_QS(root.tagName()));
    for (QDomElement e = root.firstChildElement(); !e.isNull(); e = e.nextSiblingElement()) {
        const QString addr = e.attribute(QStringLiteral("address"));
        const QString inst = e.attribute(QStringLiteral("instance"));
        const QString unit = e.attribute(QStringLiteral("unitNum"));
        LOG4CPLUS_DEBUG_FMT(logger, "conf addr: %s", KELVO_QS(addr));
        LOG4CPLUS_DEBUG_FMT(logger, "conf inst: %s", KELVO_QS(inst));
        LOG4CPLUS_DEBUG_FMT(logger, "conf unit: %s", KELVO_QS(unit));
        bool okAddr = false;
        bool okInst = false;
        PLXSensorConf conf;
        conf.address = integer(addr, &okAddr);
        conf.instance = integer(inst, &okInst);
        if (!okAddr || !okInst) {
            LOG4CPLUS_WARN_FMT(logger, "sensor config '%s' #'%s' is no sensor: skipped", KELVO_QS(addr),
                               KELVO_QS(inst));
            continue;
        }
        bool okUnit = false;
        conf.unitNum = integer(unit, &okUnit);
        if (!okUnit)
            conf.unitNum = 0;
        if (const PLXSensorDefinition *def = definition(conf.address))
            conf.unitName = def->unitName(conf.unitNum);
        read.append(conf);
    }
    configs = read;
    return true;
}

bool PLXSensorConfigManager::writeConfig(const QList<PLXSensorConf> &list)
{
    QDomDocument doc;
    QDomElement root = doc.createElement(QStringLiteral("SensorConfigs"));
    doc.appendChild(root);
    for (const PLXSensorConf &conf : list) {
        QDomElement e = doc.createElement(QStringLiteral("SensorConfig"));
        e.setAttribute(QStringLiteral("address"), conf.address);
        e.setAttribute(QStringLiteral("instance"), conf.instance);
        e.setAttribute(QStringLiteral("unitNum"), conf.unitNum);
        root.appendChild(e);
    }
    qDebug() << "doc:" << doc.toString(1);
    QString why;
    if (!saveDocument(configPath, doc, &why))
        return fail(QStringLiteral("%1 cannot be written: %2").arg(configPath, why));
    error.clear();
    return true;
}

bool PLXSensorConfigManager::updateSensorConf(const PLXSensorConf *conf, int unitNum)
{
    qDebug() << "udpate:" << unitNum;
    if (!conf)
        return fail(QStringLiteral("no sensor chosen"));
    QDomDocument doc;
    QString why;
    if (!parseFile(configPath, doc, &why))
        return fail(QStringLiteral("%1 does not read: %2").arg(configPath, why));
    const QDomElement root = doc.documentElement();
    for (QDomElement e = root.firstChildElement(); !e.isNull(); e = e.nextSiblingElement()) {
        bool okAddr = false;
        bool okInst = false;
        const int address = integer(e.attribute(QStringLiteral("address")), &okAddr);
        const int instance = integer(e.attribute(QStringLiteral("instance")), &okInst);
        if (!okAddr || !okInst || address != conf->address || instance != conf->instance)
            continue;
        e.setAttribute(QStringLiteral("unitNum"), unitNum);
        if (!saveDocument(configPath, doc, &why))
            return fail(QStringLiteral("%1 cannot be written: %2").arg(configPath, why));
        error.clear();
        return true;
    }
    return fail(QStringLiteral("%1 has no sensor %2 #%3").arg(configPath).arg(conf->address).arg(conf->instance));
}

bool PLXSensorConfigManager::removeConfigFile()
{
    if (QFile::exists(configPath) && !QFile::remove(configPath))
        return fail(QStringLiteral("%1 cannot be deleted").arg(configPath));
    error.clear();
    return true;
}

const PLXSensorConf *PLXSensorConfigManager::findConf(int address, int instance) const
{
    for (const PLXSensorConf &conf : configs) {
        if (conf.address == address && conf.instance == instance)
            return &conf;
    }
    return nullptr;
}
