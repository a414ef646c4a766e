#pragma once
// The script both halves of the Innovate stand-in answer from: the MTS SDK
// control's ports, connection and inputs, and the LM-2 chain (README.md).
// A plain value, parsed from JSON; nothing here runs.
#include <QByteArray>
#include <QJsonObject>
#include <QList>
#include <QString>
#include <QStringList>
#include <QVector>

namespace InnovateStandIn {

// One input of the MTS port: its properties by the control's names, and the
// samples that successive sample sets report, in turn.
struct MtsInput
{
    QString name;        // InputName
    QString unit;        // InputUnit
    QString deviceName;  // InputDeviceName
    int type = 0;        // InputType
    int function = 0;    // InputFunction
    int deviceType = 0;  // InputDeviceType
    int deviceChannel = 0;
    double afrMultiplier = 14.7;
    double minValue = 0.0;
    double maxValue = 0.0;
    double minVolt = 0.0;
    double maxVolt = 5.0;
    QVector<int> samples;
};

struct MtsScript
{
    bool present = false;
    QStringList ports;
    bool connectFails = false;
    int connectResult = 0;
    int connectDelayMs = 20;
    int intervalMs = 100;
    int connectionErrorAfter = 0;  // sample sets before a ConnectionError; 0: never
    QVector<MtsInput> inputs;
};

struct Lm2Script
{
    bool present = false;
    QString device;            // a character device passed through; empty: the scripted chain
    QByteArray ceReply;        // sent after a written 0xCE
    QByteArray f3Reply;        // sent after a written 0xF3
    QVector<QByteArray> data;  // data packets, one every intervalMs, in turn
    int intervalMs = 82;
    int handles = 0;           // handles the device accepts at once; 0: any number
};

struct Script
{
    MtsScript mts;
    Lm2Script lm2;
};

// Parses a script; false with the reason in *error for a broken one.
bool parseScript(const QByteArray &json, Script &script, QString *error);
// Hex text to bytes; blanks and other non-hex characters are skipped.
QByteArray hexBytes(const QString &text);

} // namespace InnovateStandIn
