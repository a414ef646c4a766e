#include "serialportlist.h"

#include <QSerialPortInfo>

SerialPortList::SerialPortList()
    : source(&SerialPortList::systemPorts)
{
}

SerialPortList::SerialPortList(Source source)
    : source(source ? std::move(source) : Source(&SerialPortList::systemPorts))
{
}

QList<SerialPortList::Port> SerialPortList::ports() const
{
    return source();
}

QList<SerialPortList::Port> SerialPortList::systemPorts()
{
    QList<Port> list;
    const QList<QSerialPortInfo> infos = QSerialPortInfo::availablePorts();
    for (const QSerialPortInfo &info : infos) {
        Port port;
        port.name = info.portName();
        port.description = info.description();
        port.manufacturer = info.manufacturer();
        port.location = info.systemLocation();
        port.hasVendorId = info.hasVendorIdentifier();
        port.vendorId = info.vendorIdentifier();
        port.hasProductId = info.hasProductIdentifier();
        port.productId = info.productIdentifier();
        port.busy = info.isBusy();
        list << port;
    }
    return list;
}
