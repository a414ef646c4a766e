#pragma once
// The modem lines of a serial port and the time between line changes: what
// the serial-port test window drives by hand and, bit by bit, for a 5-baud
// initialisation. Every line action of that window goes through this
// interface, so that the timing of a sequence can be checked without a
// real adapter (and without waiting for it).
//
// Each action answers whether the port carried it out; errorString() then
// says why not. A refused action changes nothing, and the caller goes on.
#include <QSerialPort>
#include <QString>

class SerialLineControl
{
public:
    virtual ~SerialLineControl();

    virtual bool setDataTerminalReady(bool on) = 0;
    virtual bool setRequestToSend(bool on) = 0;
    virtual bool setBreakEnabled(bool on) = 0;
    // The transmit line held low for ms milliseconds; returns after that.
    virtual bool sendBreak(int ms) = 0;
    // The line states, into *pins.
    virtual bool readPins(QSerialPort::PinoutSignals *pins) = 0;
    // Blocks for ms milliseconds between two steps of a sequence.
    virtual void wait(int ms) = 0;
    // Why the last refused action was refused.
    virtual QString errorString() const = 0;
};
