#pragma once
// The Innovate configuration files the tests read: the demo's three files
// (lambda, AFR, temperature, pressure, RPM and speed; devices LM-2, AUX4
// and MTXb), and a small set of our own in which every rule of the data
// handler shows.
#include "innovatemtspacket.h"
#include "mtschain.h"
#include "mtsstreamparser.h"
#include "workdir.h"

#include <QDomDocument>
#include <QFile>

namespace InnovateTestFiles {

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

// LAMBDA (AFR, 0..200), VOLT (V, code 11, 0..5), TEMP (degC, code 0,
// -40..150); a NOPE function nobody defines.
const char *const SensorDefs = R"(<?xml version="1.0"?>
<Defs>
 <Configuration><n>LAMBDA</n><u>AFR</u><min>0</min><max>200</max></Configuration>
 <Configuration><n>VOLT</n><u num="11">V</u><min>0</min><max>5</max></Configuration>
 <Configuration><n>TEMP</n><u num="0">degC</u><min>-40</min><max>150</max></Configuration>
</Defs>
)";

// WB01: one lambda channel; AN02: two analog channels; BAD1: a channel
// whose default function has no sensor definition.
const char *const DeviceDefs = R"(<?xml version="1.0"?>
<Devs>
 <dev type="WB01" description="wideband"><c defaultFunc="LAMBDA"><function name="LAMBDA"/></c></dev>
 <dev type="AN02" description="analog">
  <c defaultFunc="VOLT"><function name="VOLT"/><function name="TEMP"/></c>
  <c defaultFunc="VOLT"><function name="VOLT"/><function name="TEMP"/></c>
 </dev>
 <dev type="BAD1" description="broken"><c defaultFunc="NOPE"/></dev>
</Devs>
)";

// W: the lambda; A: volts, the second input without a unit; T: degF,
// degC and a third input no packet has a channel for.
const char *const InputConfigs = R"(<?xml version="1.0"?>
<InputConfigs>
 <InputConfig SensorPrefix="W" devType="WB01">
  <input><number>1</number><config>LAMBDA</config></input>
 </InputConfig>
 <InputConfig SensorPrefix="A" devType="AN02">
  <input><number>1</number><config unitNum="11">VOLT</config></input>
  <input><number>2</number><config>VOLT</config></input>
 </InputConfig>
 <InputConfig SensorPrefix="T" devType="AN02">
  <input><number>1</number><config unitNum="1">TEMP</config></input>
  <input><number>2</number><config unitNum="0">TEMP</config></input>
  <input><number>3</number><config unitNum="0">TEMP</config></input>
 </InputConfig>
</InputConfigs>
)";

inline void installOwn(const WorkDir &wd)
{
    wd.write("config/SensorDefs.xml", SensorDefs);
    wd.write("config/DeviceDefs.xml", DeviceDefs);
    wd.write("config/InputConfigs.xml", InputConfigs);
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
