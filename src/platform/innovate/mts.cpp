// The MTS SDK control stand-in: ports and inputs from the script, a
// connection that answers after a short delay, sample sets on a timer.
#include "mtssdklib.h"

#include "innovateruntime.h"

#include <QDebug>

using namespace InnovateStandIn;

namespace MTSSDKLib {

MTS::MTS(QObject *parent)
    : QObject(parent)
{
    script = currentScript().mts;
    dataTimer.setParent(this);
    connect(&dataTimer, &QTimer::timeout, this, [this] { nextSampleSet(); });
    registerControl(this);
    logCall(QStringLiteral("MTS::MTS"));
}

MTS::~MTS()
{
    unregisterControl(this);
}

const MtsInput *MTS::input() const
{
    if (cleared || currentInput < 0 || currentInput >= script.inputs.size())
        return nullptr;
    return &script.inputs.at(currentInput);
}

int MTS::PortCount() const
{
    return cleared ? 0 : script.ports.size();
}

QString MTS::PortName() const
{
    if (cleared || currentPort < 0 || currentPort >= script.ports.size())
        return QString();
    return script.ports.at(currentPort);
}

int MTS::InputCount() const
{
    return cleared ? 0 : script.inputs.size();
}

int MTS::InputType() const
{
    const MtsInput *in = input();
    return in ? in->type : 0;
}

int MTS::InputFunction() const
{
    const MtsInput *in = input();
    return in ? in->function : 0;
}

int MTS::InputSample() const
{
    const MtsInput *in = input();
    if (!in || in->samples.isEmpty())
        return 0;
    return in->samples.at(qMax(0, sampleSet) % in->samples.size());
}

int MTS::InputDeviceType() const
{
    const MtsInput *in = input();
    return in ? in->deviceType : 0;
}

int MTS::InputDeviceChannel() const
{
    const MtsInput *in = input();
    return in ? in->deviceChannel : 0;
}

double MTS::InputAFRMultiplier() const
{
    const MtsInput *in = input();
    return in ? in->afrMultiplier : 0.0;
}

double MTS::InputMinValue() const
{
    const MtsInput *in = input();
    return in ? in->minValue : 0.0;
}

double MTS::InputMaxValue() const
{
    const MtsInput *in = input();
    return in ? in->maxValue : 0.0;
}

double MTS::InputMinVolt() const
{
    const MtsInput *in = input();
    return in ? in->minVolt : 0.0;
}

double MTS::InputMaxVolt() const
{
    const MtsInput *in = input();
    return in ? in->maxVolt : 0.0;
}

QString MTS::InputName() const
{
    const MtsInput *in = input();
    return in ? in->name : QString();
}

QString MTS::InputUnit() const
{
    const MtsInput *in = input();
    return in ? in->unit : QString();
}

QString MTS::InputDeviceName() const
{
    const MtsInput *in = input();
    return in ? in->deviceName : QString();
}

void MTS::SetCurrentInput(int inputIndex)
{
    logCall(QStringLiteral("MTS::CurrentInput"), QString::number(inputIndex));
    currentInput = inputIndex;
}

void MTS::SetCurrentPort(int port)
{
    logCall(QStringLiteral("MTS::CurrentPort"), QString::number(port));
    currentPort = port;
}

bool MTS::isNull()
{
    if (cleared)
        return true;
    if (!script.present) {
        const MtsScript now = currentScript().mts;
        if (now.present)
            script = now;
    }
    return !script.present;
}

void MTS::Connect()
{
    logCall(QStringLiteral("MTS::Connect"), PortName());
    if (cleared)
        return;
    // A script that appeared since the control was made counts.
    const MtsScript now = currentScript().mts;
    if (now.present)
        script = now;
    if (!script.present) {
        qWarning("MTS SDK not available");
        QTimer::singleShot(0, this, &MTS::failConnection);
        return;
    }
    if (script.connectFails) {
        QTimer::singleShot(script.connectDelayMs, this, &MTS::failConnection);
        return;
    }
    const int result = script.connectResult;
    QTimer::singleShot(script.connectDelayMs, this, [this, result] {
        if (cleared)
            return;
        connected = true;
        emit ConnectionEvent(result);
    });
}

void MTS::failConnection()
{
    if (cleared)
        return;
    connected = false;
    dataTimer.stop();
    emit ConnectionError();
}

void MTS::Disconnect()
{
    logCall(QStringLiteral("MTS::Disconnect"));
    connected = false;
    dataTimer.stop();
}

void MTS::StartData()
{
    logCall(QStringLiteral("MTS::StartData"));
    if (cleared || !connected)
        return;
    sampleSet = -1;
    dataTimer.start(script.intervalMs);
}

void MTS::clear()
{
    logCall(QStringLiteral("MTS::clear"));
    cleared = true;
    connected = false;
    dataTimer.stop();
}

void MTS::nextSampleSet(bool scheduled)
{
    if (cleared || (scheduled && !connected))
        return;
    if (scheduled && script.connectionErrorAfter > 0 && sampleSet + 1 >= script.connectionErrorAfter) {
        failConnection();
        return;
    }
    ++sampleSet;
    emit NewData();
}

} // namespace MTSSDKLib
