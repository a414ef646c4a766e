#pragma once
// The parameters of one serial port, each number with the text the settings
// dialog shows for it. Numbers are QSerialPort enumeration values; parity
// starts as 2 (even), every other number as 0.
#include <QMetaType>
#include <QString>

class SerialPortSettings
{
public:
    SerialPortSettings() = default;
    SerialPortSettings(const SerialPortSettings &) = default;
    SerialPortSettings &operator=(const SerialPortSettings &) = default;
    ~SerialPortSettings() = default;

    QString name;
    int baudRate = 0;
    QString stringBaudRate;
    int dataBits = 0;
    QString stringDataBits;
    int parity = 2;
    QString stringParity;
    int stopBits = 0;
    QString stringStopBits;
    int flowControl = 0;
    QString stringFlowControl;
};

Q_DECLARE_METATYPE(SerialPortSettings)
