#include "canserial.h"
#include "serialportsetup.h"

#include <QElapsedTimer>
#include <QSerialPort>

bool CanSerial::open(QSerialPort &port, const QString &name, log4cplus::Logger &logger, QString *why)
{
    port.close();
    port.setPortName(name);
    if (!port.open(QIODevice::ReadWrite)) {
        const QString reason = serialPortOpenError(port);
        LOG4CPLUS_ERROR_FMT(logger, "port %s open failed: %s", KELVO_QS(name), KELVO_QS(reason));
        if (why)
            *why = reason;
        return false;
    }
    port.clear();
    auto refused = [&logger](const char *what) { LOG4CPLUS_WARN_FMT(logger, "port refused %s", what); };
    if (!port.setBaudRate(BaudRate, QSerialPort::AllDirections))
        refused("921600 baud");
    if (!port.setDataBits(QSerialPort::Data8) || !port.setParity(QSerialPort::NoParity)
        || !port.setStopBits(QSerialPort::OneStop))
        refused("8N1");
    if (!port.setFlowControl(QSerialPort::NoFlowControl))
        refused("no flow control");
    if (!port.setRequestToSend(false))
        refused("RTS off");
    if (!port.setDataTerminalReady(false))
        refused("DTR off");
    port.clear();
    port.clearError();
    port.flush();
    return true;
}

bool CanSerial::write(QSerialPort &port, const QByteArray &bytes)
{
    if (port.write(bytes) != bytes.size())
        return false;
    QElapsedTimer t;
    t.start();
    while (port.bytesToWrite() > 0) {
        const int left = WriteWaitMs - int(t.elapsed());
        if (left <= 0 || !port.waitForBytesWritten(left))
            return false;
    }
    return true;
}

void CanSerial::closeChannel(QSerialPort &port)
{
    write(port, QByteArrayLiteral("\rC\r"));
    port.flush();
}
