#include "serialportsetup.h"

#include <QSerialPort>

void applySerialPortSettings(QSerialPort &port, const SerialPortSettings &s,
                             const std::function<void(const char *)> &refused)
{
    if (s.baudRate > 0 && !port.setBaudRate(s.baudRate, QSerialPort::AllDirections))
        refused("baud rate");
    if (s.dataBits >= QSerialPort::Data5 && s.dataBits <= QSerialPort::Data8
        && !port.setDataBits(QSerialPort::DataBits(s.dataBits)))
        refused("data bits");
    if (!port.setParity(QSerialPort::Parity(s.parity)))
        refused("parity");
    if (s.stopBits >= QSerialPort::OneStop && s.stopBits <= QSerialPort::TwoStop
        && !port.setStopBits(QSerialPort::StopBits(s.stopBits)))
        refused("stop bits");
    if (!port.setFlowControl(QSerialPort::FlowControl(s.flowControl)))
        refused("flow control");
}
