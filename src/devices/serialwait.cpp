#include "serialwait.h"

#include <QElapsedTimer>
#include <QSerialPort>

namespace {
// Waits returning this often without data and without an error mean the
// port is gone as well.
const int QuickFailLimit = 20;
} // namespace

bool SerialWait::failing(const QSerialPort &port)
{
    const QSerialPort::SerialPortError e = port.error();
    return e != QSerialPort::NoError && e != QSerialPort::TimeoutError;
}

SerialWait::Result SerialWait::wait(QSerialPort &port, int ms, const std::atomic<bool> &stop, int sliceMs)
{
    QElapsedTimer total;
    total.start();
    int quickFails = 0;
    for (;;) {
        if (stop)
            return Stopped;
        if (port.bytesAvailable() > 0)
            return Data;
        const int left = ms - int(total.elapsed());
        if (left <= 0)
            return Timeout;
        const int slice = qMin(left, sliceMs);
        QElapsedTimer t;
        t.start();
        port.clearError();
        if (port.waitForReadyRead(slice))
            return Data;
        if (failing(port))
            return Lost;
        if (t.elapsed() * 5 < slice && ++quickFails >= QuickFailLimit)
            return Lost;
    }
}
