#pragma once
// Notices that an open serial port has gone away (an adapter pulled; on a
// pseudo-terminal, the other side closed) and closes it once.
//
// Qt reports such a port again at every notification of its descriptor (a
// hang-up reads 0 bytes and gives a read error, over and over), so whoever
// only logged the error would spin a core. The first error that means the
// port is gone closes it, after the port has returned from its
// notification, and lost() is emitted once with the reason; the closed
// port is polled no more. A port closed by its owner in the meantime is
// left alone, and a port opened again is watched afresh.
//
// The sources and windows that hold a port in the GUI thread share it;
// readers in threads of their own use SerialWait.
#include <QObject>
#include <QSerialPort>
#include <QString>

class SerialPortLoss : public QObject
{
    Q_OBJECT
public:
    // Watches port, which must outlive the watch.
    explicit SerialPortLoss(QSerialPort &port, QObject *parent = nullptr);

    // Errors of an open port after which nothing more can be read or written.
    static bool meansGone(QSerialPort::SerialPortError error);
    // Why an open port failed, in the system's words ("the line hung up"
    // for a hang-up, whose error text says nothing).
    static QString reasonOf(const QSerialPort &port);
    // A loss has been seen and the port is about to be closed.
    bool isClosing() const { return closing; }

signals:
    // Each error of the open port up to the one that lost it, for a debug
    // log: a lost port's repeats are not passed on.
    void portError(QSerialPort::SerialPortError error);
    // The port has been closed; reason says why, for the log.
    void lost(QString reason);

private:
    void onError(QSerialPort::SerialPortError error);
    void closeLost();

    QSerialPort &port;
    bool closing = false;
    QString reason;
};
