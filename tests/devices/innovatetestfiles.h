#pragma once
// The Innovate configuration files the tests read: the demo's three files
// (lambda, AFR, temperature, pressure, RPM and speed; devices LM-2, AUX4
// and MTXb), and the small set of innovateconfigtexts.h.
#include "innovateconfigtexts.h"
#include "innovatemtspacket.h"
#include "innovatestandin.h"
#include "mtschain.h"
#include "mtsstreamparser.h"
#include "workdir.h"

#include <QDomDocument>
#include <QFile>

namespace InnovateTestFiles {

using namespace InnovateConfigTexts;

inline QByteArray demoFile(const QString &name)
{
    QFile f(QStringLiteral(KELVO_SOURCE_DIR) + "/demo/" + name);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

inline void installDemo(const WorkDir &wd)
{
    for (const char *name : {"SensorDefs.xml", "DeviceDefs.xml", "InputConfigs.xml"})
        wd.write(QStringLiteral("config/") + name, demoFile(QStringLiteral("config/") + name));
}

inline void installOwn(const WorkDir &wd)
{
    wd.write("config/SensorDefs.xml", SensorDefs);
    wd.write("config/DeviceDefs.xml", DeviceDefs);
    wd.write("config/InputConfigs.xml", InputConfigs);
}

// Replaces the stand-in's script; a script that does not load says why.
inline bool loadStandIn(const QByteArray &script)
{
    InnovateStandIn::reset();
    QString error;
    const bool ok = InnovateStandIn::loadScript(script, &error);
    if (!ok)
        qWarning("%s", qPrintable(error));
    return ok;
}

// The demo's two devices (an LM-2 at 14.7 AFR, four AUX4 inputs) as one
// chain plays them.
inline void playDemoChain(MtsChain &chain)
{
    chain.setDevices({{"LM-2", "LM-2"}, {"AUX4", "AUX4"}});
    chain.setData({MtsChain::dataPacket(MtsChain::lambda(0, 147, 500) + MtsChain::aux(646) + MtsChain::aux(256)
                                        + MtsChain::aux(82) + MtsChain::aux(0))});
}

// The InputConfig elements of "config/InputConfigs.xml" by SensorPrefix.
inline QStringList storedPrefixes()
{
    QStringList list;
    QFile f("config/InputConfigs.xml");
    QDomDocument doc;
    if (!f.open(QIODevice::ReadOnly) || !doc.setContent(&f))
        return list;
    for (QDomElement e = doc.documentElement().firstChildElement(); !e.isNull(); e = e.nextSiblingElement())
        list << e.attribute("SensorPrefix");
    return list;
}

// The first packet the bytes complete.
inline InnovateMTSPacket packetOf(const QByteArray &bytes)
{
    MTSStreamParser parser;
    InnovateMTSPacket packet;
    for (char c : bytes) {
        if (parser.feed(quint8(c))) {
            parser.copyPacket(packet);
            break;
        }
    }
    return packet;
}

} // namespace InnovateTestFiles
