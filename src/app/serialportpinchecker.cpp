#include "serialportpinchecker.h"

SerialPortPinChecker::SerialPortPinChecker(QObject *parent)
    : QObject(parent)
{
    connect(&timer, &QTimer::timeout, this, &SerialPortPinChecker::check);
}

void SerialPortPinChecker::setPort(QSerialPort *p, SerialLineControl *l)
{
    port = p;
    lines = l;
}

void SerialPortPinChecker::startLoop()
{
    running = true;
    timer.start(interval);
}

void SerialPortPinChecker::stopLoop()
{
    running = false;
    timer.stop();
}

void SerialPortPinChecker::check()
{
    if (!running || !port || !lines || !port->isOpen())
        return;
    QSerialPort::PinoutSignals pins = QSerialPort::NoSignal;
    if (!lines->readPins(&pins)) {
        stopLoop();
        emit failed(lines->errorString());
        return;
    }
    emit status(pins);
}
