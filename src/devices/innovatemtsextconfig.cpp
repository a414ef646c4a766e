#include "innovatemtsextconfig.h"

#include "filewatch.h"
#include "numbertext.h"
#include "safefile.h"

#include <QDebug>
#include <QDomDocument>
#include <QFile>
#include <QFileInfo>

namespace {

enum class Parse { Ok, Missing, Broken };

Parse parseFile(const QString &path, QDomDocument &doc, QString *error)
{
    QFile file(path);
    if (!file.exists()) {
        *error = QStringLiteral("no such file");
        return Parse::Missing;
    }
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        *error = file.errorString();
        return Parse::Broken;
    }
    QString message;
    int line = 0;
    int column = 0;
    if (!doc.setContent(&file, &message, &line, &column)) {
        *error = QStringLiteral("%1 at line %2, column %3").arg(message).arg(line).arg(column);
        return Parse::Broken;
    }
    return Parse::Ok;
}

QList<QDomElement> childElements(const QDomElement &parent)
{
    QList<QDomElement> list;
    for (QDomElement e = parent.firstChildElement(); !e.isNull(); e = e.nextSiblingElement())
        list << e;
    return list;
}

// An input number or unit code; ok false for a text that is none (which
// is never taken as 0: that is a number of its own).
int integer(const QString &text, bool *ok)
{
    return text.trimmed().toInt(ok);
}

// A unit number attribute: -999 when empty, missing or no number.
int unitNumber(const QString &attribute)
{
    bool ok = false;
    const int code = integer(attribute, &ok);
    return ok ? code : UnitConverter::NoUnit;
}

void setText(QDomElement element, const QString &text)
{
    while (element.hasChildNodes())
        element.removeChild(element.firstChild());
    element.appendChild(element.ownerDocument().createTextNode(text));
}

} // namespace

InnovateMTSExtConfig *InnovateMTSExtConfig::instance()
{
    static InnovateMTSExtConfig *shared = new InnovateMTSExtConfig(nullptr);
    return shared;
}

InnovateMTSExtConfig::InnovateMTSExtConfig(QObject *parent)
    : QObject(parent)
    , logger(KelvoLog::get("innovate"))
    , inputConfigPath(QStringLiteral("config/InputConfigs.xml"))
    , sensorDefsPath(QStringLiteral("config/SensorDefs.xml"))
    , deviceDefsPath(QStringLiteral("config/DeviceDefs.xml"))
{
}

void InnovateMTSExtConfig::load()
{
    LOG4CPLUS_DEBUG(logger, ">ExtConfig::load()");
    ++loads;
    readErrors.clear();
    loadDeviceDefs();
    loadSensorDefs();
    loadInputConfigs();
    if (watching)
        watchCurrentFiles();
    LOG4CPLUS_DEBUG(logger, "<ExtConfig::load()");
}

void InnovateMTSExtConfig::watchFiles()
{
    watching = true;
    watchCurrentFiles();
}

void InnovateMTSExtConfig::watchCurrentFiles()
{
    const QStringList paths{inputConfigPath, sensorDefsPath, deviceDefsPath};
    if (!watches.isEmpty() && watches.first()->path() == QFileInfo(paths.first()).absoluteFilePath())
        return;
    qDeleteAll(watches);
    watches.clear();
    for (const QString &path : paths) {
        auto *watch = new FileWatch(path, this);
        connect(watch, &FileWatch::changed, this, &InnovateMTSExtConfig::filesChanged);
        watches << watch;
    }
}

InnovateMTSExtConfig::Outcome InnovateMTSExtConfig::readFile(const QString &path, QString &source, QDomDocument &doc)
{
    QString error;
    const QString absolute = QFileInfo(path).absoluteFilePath();
    switch (parseFile(path, doc, &error)) {
    case Parse::Ok:
        source = absolute;
        return Outcome::Read;
    case Parse::Missing:
        LOG4CPLUS_WARN_FMT(logger, "%s not found! %s", KELVO_QS(path), KELVO_QS(error));
        source.clear();
        return Outcome::Emptied;
    case Parse::Broken:
        break;
    }
    const QString problem = path + QStringLiteral(" does not read: ") + error;
    // What came from another folder's file is no last good state of this one.
    if (source != absolute) {
        LOG4CPLUS_WARN_FMT(logger, "%s", KELVO_QS(problem));
        readErrors << problem;
        source.clear();
        return Outcome::Emptied;
    }
    LOG4CPLUS_WARN_FMT(logger, "%s; what was read of it before stays in use", KELVO_QS(problem));
    readErrors << problem + QStringLiteral("; the last good one stays in use");
    return Outcome::Kept;
}

void InnovateMTSExtConfig::loadDeviceDefs()
{
    LOG4CPLUS_DEBUG(logger, ">loadDeviceDefs");
    QDomDocument doc;
    const Outcome outcome = readFile(deviceDefsPath, deviceDefsSource, doc);
    if (outcome == Outcome::Kept)
        return;
    deviceDefs.clear();
    if (outcome == Outcome::Emptied)
        return;
    LOG4CPLUS_DEBUG_FMT(logger, "root: %s", KELVO_QS(doc.documentElement().tagName()));
    const QDomNodeList devs = doc.elementsByTagName(QStringLiteral("dev"));
    for (int i = 0; i < devs.count(); ++i) {
        const QDomElement dev = devs.at(i).toElement();
        DeviceDef def;
        def.type = dev.attribute(QStringLiteral("type"));
        def.description = dev.attribute(QStringLiteral("description"));
        LOG4CPLUS_DEBUG_FMT(logger, "dev descr: %s", KELVO_QS(def.description));
        int channel = 0;
        for (const QDomElement &chan : childElements(dev)) {
            ++channel;
            const QString defaultFunc = chan.attribute(QStringLiteral("defaultFunc"));
            LOG4CPLUS_DEBUG_FMT(logger, "chan: %s", KELVO_QS(defaultFunc));
            def.defaultFunc.insert(channel, defaultFunc);
            const QDomNodeList funcs = chan.elementsByTagName(QStringLiteral("function"));
            LOG4CPLUS_DEBUG_FMT(logger, "  funcs found: %d", funcs.count());
            QStringList names;
            for (int f = 0; f < funcs.count(); ++f) {
                const QString name = funcs.at(f).toElement().attribute(QStringLiteral("name"));
                LOG4CPLUS_DEBUG_FMT(logger, "func: %s", KELVO_QS(name));
                names << name;
            }
            def.functions.insert(channel, names);
        }
        deviceDefs.insert(def.type, def);
    }
    LOG4CPLUS_DEBUG_FMT(logger, "deviceDefs count: %d", deviceDefs.size());
    LOG4CPLUS_DEBUG(logger, "<loadDeviceDefs");
}

void InnovateMTSExtConfig::loadSensorDefs()
{
    QDomDocument doc;
    const Outcome outcome = readFile(sensorDefsPath, sensorDefsSource, doc);
    if (outcome == Outcome::Kept)
        return;
    sensorDefs.clear();
    if (outcome == Outcome::Emptied)
        return;
    LOG4CPLUS_DEBUG_FMT(logger, "root: %s", KELVO_QS(doc.documentElement().tagName()));
    const QDomNodeList blocks = doc.elementsByTagName(QStringLiteral("Configuration"));
    LOG4CPLUS_DEBUG_FMT(logger, "Configuration blocks found: %d", blocks.count());
    for (int i = 0; i < blocks.count(); ++i) {
        // Name, unit, minimum and maximum, by position whatever their tags.
        const QList<QDomElement> parts = childElements(blocks.at(i).toElement());
        SensorDef def;
        if (parts.size() > 0)
            def.name = parts.at(0).text();
        if (parts.size() > 1) {
            def.unit = parts.at(1).text();
            def.unitNum = unitNumber(parts.at(1).attribute(QStringLiteral("num")));
        }
        // A range bound that is no number (blank, "nan", text) spans no
        // range: a 0 there would clamp every value of the function to it.
        bool bounds = true;
        for (int k = 2; k < 4 && k < parts.size(); ++k) {
            bool ok = false;
            const float v = NumberText::toFloat(parts.at(k).text(), &ok);
            if (!ok) {
                LOG4CPLUS_WARN_FMT(logger, "%s: sensor %s: %s '%s' is no number; the definition is left out",
                                   KELVO_QS(sensorDefsPath), KELVO_QS(def.name), k == 2 ? "min" : "max",
                                   KELVO_QS(parts.at(k).text().left(64)));
                bounds = false;
                break;
            }
            (k == 2 ? def.min : def.max) = v;
        }
        if (!bounds)
            continue;
        // A later definition of the same name takes the place of the earlier.
        sensorDefs.insert(def.name, def);
        LOG4CPLUS_DEBUG_FMT(logger, "add sensor def:%s,%s,min:%f,max:%f", KELVO_QS(def.unit), KELVO_QS(def.name),
                            double(def.min), double(def.max));
    }
}

void InnovateMTSExtConfig::loadInputConfigs()
{
    QDomDocument doc;
    const Outcome outcome = readFile(inputConfigPath, inputConfigSource, doc);
    if (outcome == Outcome::Kept)
        return;
    inputConfigs.clear();
    inputConfigOrder.clear();
    if (outcome == Outcome::Emptied)
        return;
    for (const QDomElement &device : childElements(doc.documentElement())) {
        DeviceInputConfig config;
        config.prefix = device.attribute(QStringLiteral("SensorPrefix"));
        config.devType = device.attribute(QStringLiteral("devType"));
        LOG4CPLUS_DEBUG_FMT(logger, "SensorPrefix:%s,devType:'%s'", KELVO_QS(config.prefix),
                            KELVO_QS(config.devType));
        const QList<QDomElement> inputs = childElements(device);
        LOG4CPLUS_DEBUG_FMT(logger, "ChildNodes:%d", inputs.size());
        bool entered = false;
        for (const QDomElement &input : inputs) {
            if (input.tagName() != QLatin1String("input"))
                continue;
            const QList<QDomElement> parts = childElements(input);
            bool numbered = false;
            const int number = parts.size() > 0 ? integer(parts.at(0).text(), &numbered) : 0;
            if (!numbered) {
                LOG4CPLUS_WARN_FMT(logger, "%s: an input of %s has no number ('%s'); left out",
                                   KELVO_QS(inputConfigPath), KELVO_QS(config.prefix),
                                   KELVO_QS(parts.value(0).text().left(64)));
                continue;
            }
            const QString function = parts.size() > 1 ? parts.at(1).text() : QString();
            const int unitNum =
                parts.size() > 1 ? unitNumber(parts.at(1).attribute(QStringLiteral("unitNum"))) : UnitConverter::NoUnit;
            qDebug() << '"' + config.prefix + '"' << '"' + config.devType + '"' << ",configUnit:" << unitNum;
            const auto def = sensorDefs.constFind(function);
            if (def == sensorDefs.constEnd()) {
                LOG4CPLUS_WARN_FMT(logger, "SensorConfig:%s not found!!(device:%s,type:'%s')", KELVO_QS(function),
                                   KELVO_QS(config.prefix), KELVO_QS(config.devType));
                continue;
            }
            SensorDef item = *def;
            item.unitNum = unitNum;
            item.unit = converter.unitName(unitNum);
            config.inputs.insert(number, item);
            entered = true;
            LOG4CPLUS_DEBUG_FMT(logger, "Added device:%s, input#%d,SensorFunc:%s", KELVO_QS(config.prefix), number,
                                KELVO_QS(function));
        }
        // Devices none of whose inputs is known stay unconfigured.
        if (!entered)
            continue;
        if (!inputConfigs.contains(config.prefix))
            inputConfigOrder << config.prefix;
        inputConfigs.insert(config.prefix, config);
    }
}

const SensorDef *InnovateMTSExtConfig::sensorDef(const QString &name) const
{
    const auto it = sensorDefs.constFind(name);
    return it == sensorDefs.constEnd() ? nullptr : &*it;
}

const DeviceInputConfig *InnovateMTSExtConfig::inputConfig(const QString &deviceName) const
{
    const auto it = inputConfigs.constFind(deviceName);
    return it == inputConfigs.constEnd() ? nullptr : &*it;
}

InnovateMTSExtConfig::ShownUnit InnovateMTSExtConfig::shownUnit(const SensorDef &item) const
{
    ShownUnit shown;
    shown.unit = item.unit;
    const SensorDef *def = sensorDef(item.name);
    if (!def || def->unit.isEmpty() || def->unit == item.unit)
        return shown;
    // Only between two units the converter knows, and only where it has a
    // conversion; otherwise the value stays in the definition's unit.
    const bool known = !converter.unitName(def->unitNum).isEmpty() && !converter.unitName(item.unitNum).isEmpty()
                       && def->unitNum != item.unitNum;
    const float probe = 1.0f;
    if (known && converter.convert(def->unitNum, item.unitNum, &probe) != UnitConverter::NoUnit) {
        shown.convertFrom = def->unitNum;
        shown.convertTo = item.unitNum;
    } else {
        shown.unit = def->unit;
    }
    return shown;
}

DeviceDef *InnovateMTSExtConfig::deviceDef(const QString &type)
{
    const auto it = deviceDefs.find(type);
    return it == deviceDefs.end() ? nullptr : &*it;
}

bool InnovateMTSExtConfig::writeInputConfigs(const QByteArray &bytes)
{
    SafeFile file(inputConfigPath, SafeFile::CreateFolder);
    if (!file.write(bytes)) {
        LOG4CPLUS_ERROR_FMT(logger, "can't open file error: %s", KELVO_QS(file.errorString()));
        writeError = inputConfigPath + QStringLiteral(" cannot be written: ") + file.errorString();
        return false;
    }
    return true;
}

bool InnovateMTSExtConfig::updateSensorConfg(const InputConfigItem &, const InputConfigItem &item)
{
    writeError.clear();
    QDomDocument doc;
    QString error;
    if (parseFile(inputConfigPath, doc, &error) != Parse::Ok) {
        LOG4CPLUS_ERROR_FMT(logger, "input config: %s: %s; left as it is", KELVO_QS(inputConfigPath),
                            KELVO_QS(error));
        writeError = inputConfigPath + QStringLiteral(" does not read: ") + error;
        return false;
    }
    bool changed = false;
    for (const QDomElement &device : childElements(doc.documentElement())) {
        const QString prefix = device.attribute(QStringLiteral("SensorPrefix"));
        LOG4CPLUS_DEBUG_FMT(logger, "SensorPrefix:%s", KELVO_QS(prefix));
        if (prefix != item.deviceName)
            continue;
        for (const QDomElement &input : childElements(device)) {
            if (input.tagName() != QLatin1String("input"))
                continue;
            const QList<QDomElement> parts = childElements(input);
            bool numbered = false;
            if (parts.size() < 2 || integer(parts.at(0).text(), &numbered) != item.inputNumber || !numbered)
                continue;
            QDomElement config = parts.at(1);
            setText(config, item.function);
            qDebug() << "current unitNum:" << config.attribute(QStringLiteral("unitNum"));
            if (item.unitNum != UnitConverter::NoUnit)
                config.setAttribute(QStringLiteral("unitNum"), item.unitNum);
            changed = true;
            break;
        }
    }
    if (!changed) {
        LOG4CPLUS_WARN_FMT(logger, "no input %d of %s in %s: nothing written", item.inputNumber,
                           KELVO_QS(item.deviceName), KELVO_QS(inputConfigPath));
        writeError = QStringLiteral("%1 has no input %2 of %3").arg(inputConfigPath).arg(item.inputNumber).arg(item.deviceName);
        return false;
    }
    if (!writeInputConfigs(doc.toByteArray(1)))
        return false;
    emit inputConfigChanged();
    return true;
}

bool InnovateMTSExtConfig::addNewConfig(const QString &name, const QString &type)
{
    writeError.clear();
    QDomDocument doc;
    QString error;
    switch (parseFile(inputConfigPath, doc, &error)) {
    case Parse::Ok:
        break;
    case Parse::Missing:
        LOG4CPLUS_INFO_FMT(logger, "can't open file error: %s; a new one is made", KELVO_QS(inputConfigPath));
        doc = QDomDocument();
        doc.appendChild(doc.createElement(QStringLiteral("InputConfigs")));
        break;
    case Parse::Broken:
        LOG4CPLUS_ERROR_FMT(logger, "input config: %s: %s; left as it is", KELVO_QS(inputConfigPath),
                            KELVO_QS(error));
        writeError = inputConfigPath + QStringLiteral(" does not read: ") + error;
        return false;
    }
    const DeviceDef *def = deviceDef(type);
    if (!def) {
        LOG4CPLUS_WARN_FMT(logger, "no device definition of type '%s': no configuration for %s", KELVO_QS(type),
                           KELVO_QS(name));
        writeError = QStringLiteral("no device definition of type '%1'").arg(type);
        return false;
    }
    QDomElement root = doc.documentElement();
    for (const QDomElement &device : childElements(root)) {
        if (device.attribute(QStringLiteral("SensorPrefix")) == name) {
            LOG4CPLUS_DEBUG_FMT(logger, "%s is configured already", KELVO_QS(name));
            writeError = name + QStringLiteral(" is configured already");
            return false;
        }
    }
    QDomElement config = doc.createElement(QStringLiteral("InputConfig"));
    config.setAttribute(QStringLiteral("SensorPrefix"), name);
    config.setAttribute(QStringLiteral("devType"), type);
    int number = 0;
    for (auto it = def->defaultFunc.constBegin(); it != def->defaultFunc.constEnd(); ++it) {
        QDomElement input = doc.createElement(QStringLiteral("input"));
        QDomElement num = doc.createElement(QStringLiteral("number"));
        num.appendChild(doc.createTextNode(QString::number(++number)));
        QDomElement func = doc.createElement(QStringLiteral("config"));
        func.appendChild(doc.createTextNode(it.value()));
        if (const SensorDef *sensor = sensorDef(it.value())) {
            const int code = converter.unitCode(sensor->unit);
            if (code >= 0)
                func.setAttribute(QStringLiteral("unitNum"), code);
        }
        input.appendChild(num);
        input.appendChild(func);
        config.appendChild(input);
    }
    root.appendChild(config);
    const QByteArray bytes = doc.toByteArray(1);
    if (!writeInputConfigs(bytes))
        return false;
    emit inputConfigChanged();
    LOG4CPLUS_DEBUG_FMT(logger, "xml:%s", bytes.constData());
    LOG4CPLUS_DEBUG(logger, "<addNewConfig");
    return true;
}

void InnovateMTSExtConfig::notifyInputConfigChanged()
{
    emit inputConfigChanged();
}
