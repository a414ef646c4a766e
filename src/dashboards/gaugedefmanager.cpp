#include "gaugedefmanager.h"
#include "gaugeinifile.h"
#include "numbertext.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPointer>
#include <QTextStream>

namespace {
QPointer<GaugeDefManager> theManager;

const QString gaugeDir = QStringLiteral("gauges");

// A value that is no number (blank included) counts as absent: read as 0,
// a conversion factor would show every value as 0.
void noNumber(const GaugeIniFile &ini, const QString &group, const QString &key)
{
    LOG4CPLUS_WARN_FMT(KelvoLog::get("gauges"), "gauge [%s] %s='%s' is no number; its default is used",
                       KELVO_QS(group), KELVO_QS(key), KELVO_QS(ini.value(group, key).left(64)));
}

double number(const GaugeIniFile &ini, const QString &group, const QString &key, double absent)
{
    if (!ini.contains(group, key))
        return absent;
    bool ok = false;
    const double v = NumberText::toDouble(ini.value(group, key), &ok);
    if (!ok)
        noNumber(ini, group, key);
    return ok ? v : absent;
}

int integer(const GaugeIniFile &ini, const QString &group, const QString &key, int absent)
{
    if (!ini.contains(group, key))
        return absent;
    bool ok = false;
    const int v = ini.value(group, key).trimmed().toInt(&ok);
    if (!ok)
        noNumber(ini, group, key);
    return ok ? v : absent;
}

QColor colour(const GaugeIniFile &ini, const QString &group, const QString &key)
{
    const QString text = ini.value(group, key);
    if (text.isEmpty() || !QColor::isValidColor(text))
        return QColor();
    return QColor(text);
}
} // namespace

GaugeDefManager *GaugeDefManager::instance(QObject *parent)
{
    if (!theManager) {
        theManager = new GaugeDefManager(parent);
        theManager->loadDefs();
        theManager->loadScreens();
    }
    return theManager;
}

GaugeDefManager::GaugeDefManager(QObject *parent)
    : QObject(parent)
    , logger(KelvoLog::get("gauges"))
{
}

GaugeDefManager::~GaugeDefManager() = default;

bool GaugeDefManager::reload()
{
    loadDefs();
    loadScreens();
    return true;
}

QStringList GaugeDefManager::ecuDirectories() const
{
    return QDir(gaugeDir).entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase);
}

bool GaugeDefManager::loadDefs()
{
    LOG4CPLUS_DEBUG(logger, ">loadDefs");
    for (const QString &ecu : ecuDirectories()) {
        const QString path = gaugeDir + "/" + ecu + "/" + "definitions.txt";
        LOG4CPLUS_DEBUG_FMT(logger, "DEF file: %s, PRG: %s", KELVO_QS(path), KELVO_QS(ecu));
        if (!QFile::exists(path))
            LOG4CPLUS_ERROR_FMT(logger, "DEF file not found: %s", KELVO_QS(path));
        GaugeIniFile ini;
        ini.load(path);
        const QStringList groups = ini.childGroups();
        LOG4CPLUS_DEBUG_FMT(logger, "childGroups: %d", groups.size());
        int defaultDecimals = -1;
        if (groups.contains(QStringLiteral("DEFAULTS")))
            defaultDecimals = integer(ini, QStringLiteral("DEFAULTS"), QStringLiteral("decimals"), -1);
        for (const QString &group : groups) {
            LOG4CPLUS_DEBUG_FMT(logger, "def group: %s", KELVO_QS(group));
            GaugeDef def;
            def.name = group;
            def.jobName = ini.value(group, QStringLiteral("Jobname")).toUpper();
            def.resultName = ini.value(group, QStringLiteral("Resultname")).toUpper();
            def.min = number(ini, group, QStringLiteral("Min"), 0.0);
            def.max = number(ini, group, QStringLiteral("Max"), 0.0);
            def.title = ini.value(group, QStringLiteral("title"));
            def.unit = ini.value(group, QStringLiteral("unit"));
            def.needleColor = colour(ini, group, QStringLiteral("needlecolor"));
            def.color = colour(ini, group, QStringLiteral("color"));
            def.fillColor = colour(ini, group, QStringLiteral("fillcolor"));
            def.textColor = colour(ini, group, QStringLiteral("textcolor"));
            def.titleColor = colour(ini, group, QStringLiteral("titlecolor"));
            def.decimals = integer(ini, group, QStringLiteral("decimals"), defaultDecimals);
            def.conversionFactor = number(ini, group, QStringLiteral("conversionFactor"), 1.0);
            LOG4CPLUS_DEBUG_FMT(logger, "unit: %s, title:%s, min:%f, max:%f", KELVO_QS(def.unit),
                                KELVO_QS(def.title), def.min, def.max);
            defs.insert(ecu, def);
        }
    }
    LOG4CPLUS_DEBUG(logger, "<loadDefs");
    return true;
}

bool GaugeDefManager::loadScreens()
{
    LOG4CPLUS_DEBUG(logger, ">loadScreens");
    for (const QString &ecu : ecuDirectories()) {
        const QString screenDir = gaugeDir + "/" + ecu + "/" + "screens";
        LOG4CPLUS_DEBUG_FMT(logger, "Screen path: %s, ecu: %s",
                            KELVO_QS(QDir(screenDir).absolutePath()), KELVO_QS(ecu));
        const QFileInfoList files = QDir(screenDir).entryInfoList(
            QStringList() << QStringLiteral("*.txt"), QDir::Files, QDir::Name | QDir::IgnoreCase);
        for (const QFileInfo &info : files) {
            const QString path = info.filePath();
            LOG4CPLUS_DEBUG_FMT(logger, "screen file: %s", KELVO_QS(path));
            GaugeScreenConf screen;
            screen.name = info.fileName().section(QLatin1Char('.'), 0, 0);
            GaugeIniFile ini;
            ini.load(path);
            screen.columns = integer(ini, QString(), QStringLiteral("columns"), 0);
            LOG4CPLUS_DEBUG_FMT(logger, "screen cols: %d", screen.columns);
            const QStringList headers = readScreenConfDefs(path);
            const QStringList groups = ini.childGroups();
            LOG4CPLUS_DEBUG_FMT(logger, "childgroups: %d", groups.size());
            LOG4CPLUS_DEBUG_FMT(logger, "manual read screen confs: %d", headers.size());
            if (headers.size() != groups.size())
                LOG4CPLUS_WARN(logger, "screen conf size different than settings");
            for (const QString &group : groups) {
                LOG4CPLUS_DEBUG_FMT(logger, "reading group (def) : %s", KELVO_QS(group));
                GaugeDef def;
                if (getSingleDef(ecu, group, &def)) {
                    LOG4CPLUS_DEBUG_FMT(logger, "DEF Found: %s", KELVO_QS(group));
                    GaugeScreenElement element;
                    element.name = group;
                    for (const QString &key : ini.keys(group)) {
                        const QString value = ini.value(group, key);
                        LOG4CPLUS_DEBUG_FMT(logger, " key: %s,value:%s", KELVO_QS(key), KELVO_QS(value));
                        element.values.insert(key, value);
                    }
                    screen.elements.append(element);
                    LOG4CPLUS_DEBUG_FMT(logger, "'%s' conf elements :%d", KELVO_QS(screen.name),
                                        screen.elements.size());
                } else {
                    LOG4CPLUS_WARN_FMT(logger, "DEF not found: %s", KELVO_QS(group));
                }
            }
            LOG4CPLUS_DEBUG_FMT(logger, "Insert screen:%s,%s", KELVO_QS(ecu), KELVO_QS(screen.name));
            screens.insert(ecu, screen);
        }
    }
    LOG4CPLUS_DEBUG(logger, "< loadScreens");
    return true;
}

QList<GaugeDef> GaugeDefManager::gaugeDefs(const QString &ecu) const
{
    return defs.values(ecu);
}

namespace {
// The entry of that name among an ECU's entries, or null.
template <class Map> const typename Map::mapped_type *findNamed(const Map &map, const QString &ecu, const QString &name)
{
    for (auto it = map.constFind(ecu); it != map.constEnd() && it.key() == ecu; ++it) {
        if (it.value().name == name)
            return &it.value();
    }
    return nullptr;
}
}

bool GaugeDefManager::getSingleDef(const QString &ecu, const QString &name, GaugeDef *out) const
{
    if (const GaugeDef *def = findNamed(defs, ecu, name)) {
        if (out)
            *out = *def;
        return true;
    }
    LOG4CPLUS_WARN_FMT(logger, "_DEF not found:%s,%s", KELVO_QS(ecu), KELVO_QS(name));
    return false;
}

QList<GaugeScreenConf> GaugeDefManager::gaugeScreens(const QString &ecu) const
{
    return screens.values(ecu);
}

bool GaugeDefManager::getSingleScreen(const QString &ecu, const QString &name, GaugeScreenConf *out) const
{
    if (const GaugeScreenConf *screen = findNamed(screens, ecu, name)) {
        if (out)
            *out = *screen;
        return true;
    }
    LOG4CPLUS_WARN_FMT(logger, "_SCREEN not found:%s", KELVO_QS(name));
    return false;
}

QStringList GaugeDefManager::ecuNames() const
{
    return defs.uniqueKeys();
}

QStringList GaugeDefManager::readScreenConfDefs(const QString &path) const
{
    QStringList headers;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return headers;
    QTextStream in(&file);
    in.setCodec("UTF-8");
    while (!in.atEnd()) {
        const QString line = in.readLine().trimmed();
        if (line.startsWith(QLatin1Char('[')) && line.endsWith(QLatin1Char(']'))) {
            LOG4CPLUS_DEBUG_FMT(logger, "def found in screenconf:%s", KELVO_QS(line));
            if (!headers.contains(line))
                headers.append(line);
        }
    }
    return headers;
}
