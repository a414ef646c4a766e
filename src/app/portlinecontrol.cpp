#include "portlinecontrol.h"

#include <QThread>

PortLineControl::PortLineControl(QSerialPort *port)
    : port(port)
{
}

bool PortLineControl::answer(bool ok)
{
    // A refused line action leaves the port's error set; the port itself is
    // still usable, so the error is taken and cleared.
    if (!ok)
        lastError = port->isOpen() ? port->errorString() : QStringLiteral("port not open");
    port->clearError();
    return ok;
}

bool PortLineControl::setDataTerminalReady(bool on)
{
    return answer(port->isOpen() && port->setDataTerminalReady(on));
}

bool PortLineControl::setRequestToSend(bool on)
{
    return answer(port->isOpen() && port->setRequestToSend(on));
}

bool PortLineControl::setBreakEnabled(bool on)
{
    return answer(port->isOpen() && port->setBreakEnabled(on));
}

bool PortLineControl::sendBreak(int ms)
{
    // The wait keeps its length even when the break is refused: the steps of
    // a sequence keep their timing.
    const bool on = setBreakEnabled(true);
    const QString onError = lastError;
    wait(ms);
    const bool off = setBreakEnabled(false);
    if (!on)
        lastError = onError;
    return on && off;
}

bool PortLineControl::readPins(QSerialPort::PinoutSignals *pins)
{
    if (!port->isOpen())
        return answer(false);
    port->clearError();
    const QSerialPort::PinoutSignals read = port->pinoutSignals();
    const bool ok = port->error() == QSerialPort::NoError;
    if (ok && pins)
        *pins = read;
    return answer(ok);
}

void PortLineControl::wait(int ms)
{
    if (ms > 0)
        QThread::msleep(static_cast<unsigned long>(ms));
}

QString PortLineControl::errorString() const
{
    return lastError;
}
