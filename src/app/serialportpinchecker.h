#pragma once
// Watches the line states of the test window's port: every `interval` ms,
// while the port is open, it reads the pins through the window's line
// control and announces them. It polls with a timer in the thread of the
// window that owns the port (a port may only be used from its own thread).
// A pin read that fails is announced once and ends the polling: a port
// that cannot report its pins will not start to.
#include "seriallinecontrol.h"

#include <QObject>
#include <QSerialPort>
#include <QTimer>

class SerialPortPinChecker : public QObject
{
    Q_OBJECT
public:
    explicit SerialPortPinChecker(QObject *parent = nullptr);

    void setPort(QSerialPort *port, SerialLineControl *lines);

    bool isRunning() const { return running; }
    int interval = 50;

public slots:
    void startLoop();
    void stopLoop();

signals:
    void status(QSerialPort::PinoutSignals signal);
    void failed(QString reason);

private slots:
    void check();

private:
    QSerialPort *port = nullptr;
    SerialLineControl *lines = nullptr;
    QTimer timer;
    bool running = false;
};
