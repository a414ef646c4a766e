#include "serialportsetup.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QLockFile>
#include <QSerialPort>
#include <cerrno>
#include <signal.h>
#include <unistd.h>

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

namespace {
// The lock file Qt takes for a port: "LCK.." and the port's name with "/"
// as "_", in the first of these folders that has it.
QString portLockFile(const QString &portName)
{
    static const char *const folders[] = {"/var/lock", "/etc/locks", "/var/spool/locks", "/var/spool/uucp",
                                          "/tmp", "/var/tmp", "/var/lock/lockdev", "/run/lock"};
    QString name = portName;
    name.replace(QLatin1Char('/'), QLatin1Char('_'));
    for (const char *folder : folders) {
        const QString path = QString::fromLatin1(folder) + QStringLiteral("/LCK..") + name;
        if (QFileInfo::exists(path))
            return path;
    }
    return QString();
}
} // namespace

QString serialPortOpenError(const QSerialPort &port)
{
    // Qt's own text for a held lock says nothing of who holds it.
    if (port.error() == QSerialPort::PermissionError) {
        const QString lockPath = portLockFile(port.portName());
        qint64 pid = 0;
        QString host;
        QString app;
        if (!lockPath.isEmpty() && QLockFile(lockPath).getLockInfo(&pid, &host, &app) && pid > 0
            && (::kill(pid_t(pid), 0) == 0 || errno == EPERM)) {
            if (pid == qint64(::getpid()))
                return QStringLiteral("in use in this program already");
            return QStringLiteral("in use by another program (%1, process %2)")
                .arg(app.isEmpty() ? QStringLiteral("unnamed") : app)
                .arg(pid);
        }
    }
    const QString text = port.errorString();
    // The lock was let go again before it could be read.
    if (port.error() == QSerialPort::PermissionError
        && text == QCoreApplication::translate("QSerialPort", "Permission error while locking the device"))
        return QStringLiteral("in use by another program (it holds the port's lock)");
    if (port.error() == QSerialPort::NoError || text.isEmpty())
        return QStringLiteral("unknown error");
    return text;
}
