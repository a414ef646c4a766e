#include "portwriter.h"

#include <QSerialPort>

bool PortWriter::write(QSerialPort &port, const QByteArray &bytes, int stepTimeoutMs, QString *error)
{
    auto fail = [&port, error](const QString &reason) {
        if (error)
            *error = reason;
        port.clearError();
        return false;
    };
    if (!port.isOpen())
        return fail(QStringLiteral("port not open"));
    const qint64 taken = port.write(bytes);
    if (taken != bytes.size())
        return fail(taken < 0 ? port.errorString() : QStringLiteral("%1 of %2 bytes taken").arg(taken).arg(bytes.size()));
    // Each wait returns once one block has gone; a port that makes no
    // progress within the step ends the write.
    while (port.bytesToWrite() > 0) {
        if (!port.waitForBytesWritten(stepTimeoutMs)) {
            const qint64 left = port.bytesToWrite();
            const QString reason = port.error() == QSerialPort::NoError || port.error() == QSerialPort::TimeoutError
                                       ? QStringLiteral("%1 of %2 bytes did not leave within %3 ms")
                                             .arg(left)
                                             .arg(bytes.size())
                                             .arg(stepTimeoutMs)
                                       : port.errorString();
            port.clear(QSerialPort::Output);
            return fail(reason);
        }
    }
    return true;
}
