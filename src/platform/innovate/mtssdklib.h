#pragma once
// The Innovate MTS SDK control as the program sees it through Qt's ActiveX
// wrapper (class id {74087a4e-4af1-4f8c-bacb-3959c212aad2}): properties read
// and written by their names ("PortCount", "CurrentPort", "InputSample",
// ...), the control's methods and the container's clear() as slots, its
// events as signals. "CurrentPort" and "CurrentInput" choose what the
// Port... and Input... properties describe.
//
// This stand-in answers from the "mts" part of the script (README.md);
// without one it has no port and answers Connect with ConnectionError.
// It lives in the thread that created it; its events come from its timers.
#include "innovatescript.h"

#include <QObject>
#include <QString>
#include <QTimer>

namespace InnovateStandIn {
void fireNewData();
}

namespace MTSSDKLib {

class MTS : public QObject
{
    Q_OBJECT
    Q_PROPERTY(int PortCount READ PortCount)
    Q_PROPERTY(int CurrentPort READ CurrentPort WRITE SetCurrentPort)
    Q_PROPERTY(QString PortName READ PortName)
    Q_PROPERTY(int InputCount READ InputCount)
    Q_PROPERTY(int CurrentInput READ CurrentInput WRITE SetCurrentInput)
    Q_PROPERTY(int InputType READ InputType)
    Q_PROPERTY(int InputFunction READ InputFunction)
    Q_PROPERTY(int InputSample READ InputSample)
    Q_PROPERTY(int InputDeviceType READ InputDeviceType)
    Q_PROPERTY(int InputDeviceChannel READ InputDeviceChannel)
    Q_PROPERTY(double InputAFRMultiplier READ InputAFRMultiplier)
    Q_PROPERTY(double InputMinValue READ InputMinValue)
    Q_PROPERTY(double InputMaxValue READ InputMaxValue)
    Q_PROPERTY(double InputMinVolt READ InputMinVolt)
    Q_PROPERTY(double InputMaxVolt READ InputMaxVolt)
    Q_PROPERTY(QString InputName READ InputName)
    Q_PROPERTY(QString InputUnit READ InputUnit)
    Q_PROPERTY(QString InputDeviceName READ InputDeviceName)
public:
    explicit MTS(QObject *parent = nullptr);
    ~MTS() override;

    int PortCount() const;
    int CurrentPort() const { return currentPort; }
    QString PortName() const;
    int InputCount() const;
    int CurrentInput() const { return currentInput; }
    int InputType() const;
    int InputFunction() const;
    int InputSample() const;
    int InputDeviceType() const;
    int InputDeviceChannel() const;
    double InputAFRMultiplier() const;
    double InputMinValue() const;
    double InputMaxValue() const;
    double InputMinVolt() const;
    double InputMaxVolt() const;
    QString InputName() const;
    QString InputUnit() const;
    QString InputDeviceName() const;

    // As the ActiveX container's isNull(): true while no control is loaded,
    // that is, without a script (the SDK is not installed). A script that
    // appeared since the control was made counts, as at Connect.
    bool isNull();

public slots:
    void Connect();
    void Disconnect();
    void StartData();
    void SetCurrentInput(int input);
    void SetCurrentPort(int port);
    // The container lets go of the control: it answers nothing from now on.
    void clear();

signals:
    void NewData();
    void ConnectionError();
    void ConnectionEvent(int Result);

private:
    friend void InnovateStandIn::fireNewData();

    const InnovateStandIn::MtsInput *input() const;
    // The next sample set, announced by NewData; with scheduled set, a
    // scripted connection error comes in its place when it is due.
    void nextSampleSet(bool scheduled = true);
    void failConnection();

    InnovateStandIn::MtsScript script;
    int currentPort = 0;
    int currentInput = 0;
    int sampleSet = -1;  // the sample set NewData announced last
    bool connected = false;
    bool cleared = false;
    QTimer dataTimer;
};

} // namespace MTSSDKLib
