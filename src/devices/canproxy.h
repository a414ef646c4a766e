#pragma once
// The EDIABAS-to-CAN bridge: EDIABAS writes serial telegrams to one port
// (a virtual port pair or cable), a USBtin-like SLCAN adapter on the other
// reaches the ECUs over CAN. start() runs an EdPort and a CANTranslator in
// two threads of their own; stop() ends both loops and waits for both
// threads, then deletes the workers. The proxy lives in the GUI thread;
// the workers' connected() and error() reach it queued.
//
// Port names: "usb/ediabas" and "usb/usb" of "kelvo.ini", "/dev/ttyUSB5"
// and "/dev/ttyUSB19" without them (the Windows "COM6" and "COM20").
// "OBD/Port" of "ediabas/obd.ini", the port EDIABAS itself uses, is only
// read, to show it.
#include "kelvolog.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QStringList>

class CANTranslator;
class EdPort;
class QThread;

class CANProxy : public QObject
{
    Q_OBJECT
public:
    explicit CANProxy(QObject *parent = nullptr);
    ~CANProxy() override;

    static QString obdIniPort();

    QString ediabasPort() const { return edPortName; }
    QString usbPort() const { return usbPortName; }
    void setEdiabasPort(const QString &name) { edPortName = name; }
    void setUsbPort(const QString &name) { usbPortName = name; }
    bool isStarted() const { return started; }

    void start();
    void stop();
    // Bytes for the adapter as they are (a command ended by "\r"), written
    // by the translator's loop; dropped when the bridge is not running.
    void sendToUsb(const QByteArray &bytes);

    // The running workers, null when stopped (tests watch them).
    EdPort *edPort() const { return ed; }
    CANTranslator *translator() const { return trans; }

signals:
    void edConn();
    void transConn();
    void edErr(QString err);
    void transErr(QString err);
    // What the adapter answered to commands, as text (CANTranslator).
    void usbAnswers(QStringList answers);

private:
    QString edPortName;
    QString usbPortName;
    log4cplus::Logger logger;
    QThread *edThread = nullptr;
    QThread *usbThread = nullptr;
    EdPort *ed = nullptr;
    CANTranslator *trans = nullptr;
    bool started = false;
};
