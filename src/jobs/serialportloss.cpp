#include "serialportloss.h"

#include <poll.h>

SerialPortLoss::SerialPortLoss(QSerialPort &watched, QObject *parent)
    : QObject(parent)
    , port(watched)
{
    connect(&port, &QSerialPort::errorOccurred, this, &SerialPortLoss::onError);
    // The owner closed the port itself: nothing is left to close or report.
    connect(&port, &QIODevice::aboutToClose, this, [this] { closing = false; });
}

bool SerialPortLoss::meansGone(QSerialPort::SerialPortError error)
{
    return error == QSerialPort::ResourceError || error == QSerialPort::ReadError
           || error == QSerialPort::WriteError;
}

void SerialPortLoss::onError(QSerialPort::SerialPortError error)
{
    // A wait that timed out is no fault of the port.
    if (closing || error == QSerialPort::NoError || error == QSerialPort::TimeoutError || !port.isOpen())
        return;
    emit portError(error);
    // A slot of portError may have closed the port already.
    if (!meansGone(error) || !port.isOpen())
        return;
    closing = true;
    reason = reasonOf(port);
    // Not from inside the port's own notification, which goes on using it.
    QMetaObject::invokeMethod(this, &SerialPortLoss::closeLost, Qt::QueuedConnection);
}

void SerialPortLoss::closeLost()
{
    if (!closing)
        return;
    port.close();
    closing = false;
    emit lost(reason);
}

QString SerialPortLoss::reasonOf(const QSerialPort &port)
{
    // The error text of a hang-up is whatever an earlier call left (a read
    // of 0 bytes sets none); the descriptor itself tells it.
    pollfd p{int(port.handle()), 0, 0};
    if (p.fd >= 0 && ::poll(&p, 1, 0) > 0 && (p.revents & (POLLHUP | POLLERR | POLLNVAL)))
        return QStringLiteral("the line hung up");
    return port.errorString();
}
