#pragma once
// The line control of a real QSerialPort. A timed break is break on, a wait
// and break off, because the system's own timed break ignores the length
// asked for on Linux. A pseudo-terminal refuses DTR, RTS and reading the
// pins (it has no modem lines).
#include "seriallinecontrol.h"

class PortLineControl : public SerialLineControl
{
public:
    explicit PortLineControl(QSerialPort *port);

    bool setDataTerminalReady(bool on) override;
    bool setRequestToSend(bool on) override;
    bool setBreakEnabled(bool on) override;
    bool sendBreak(int ms) override;
    bool readPins(QSerialPort::PinoutSignals *pins) override;
    void wait(int ms) override;
    QString errorString() const override;

private:
    bool answer(bool ok);

    QSerialPort *port;
    QString lastError;
};
