#pragma once
// The serial ports a window offers. By default they are what the system
// reports (QSerialPortInfo, which lists no pseudo-terminals); a window that
// must list other ports, as the tests' pseudo-terminals, is given a source
// of its own. Windows read ports only through this list.
#include <QList>
#include <QString>
#include <functional>

class SerialPortList
{
public:
    struct Port
    {
        QString name;          // "ttyUSB0"
        QString description;
        QString manufacturer;
        QString location;      // "/dev/ttyUSB0"
        bool hasVendorId = false;
        quint16 vendorId = 0;
        bool hasProductId = false;
        quint16 productId = 0;
        bool busy = false;     // another program holds it
    };
    using Source = std::function<QList<Port>()>;

    // The system's ports.
    SerialPortList();
    explicit SerialPortList(Source source);

    // Asked anew at every call: ports come and go.
    QList<Port> ports() const;

    static QList<Port> systemPorts();

private:
    Source source;
};
