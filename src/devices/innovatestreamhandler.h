#pragma once
// Reads the byte stream of an Innovate MTS chain from a serial port (19200
// baud 8N1) or from the LM-2 on USB (polled every 50 ms), cuts it into
// packets with an MTSStreamParser and emits each as MTSPacketRead. Writes
// the query bytes the data handler and the tester send. Lives in the GUI
// thread; turns no values into units.
//
// A port that goes away while open, or an LM-2 whose driver stops
// delivering, is closed once and reported once as error("port lost: " and
// the reason); a port that does not open as error("open com port failed: "
// or "open USB failed: " and the reason), in the system's words.
#include "innovatemtspacket.h"
#include "kelvolog.h"
#include "mtsstreamparser.h"
#include "serialportloss.h"
#include "serialportsettings.h"

#include <QByteArray>
#include <QObject>
#include <QSerialPort>

class QTimer;

class InnovateStreamHandler : public QObject
{
    Q_OBJECT
public:
    explicit InnovateStreamHandler(QObject *parent = nullptr);
    ~InnovateStreamHandler() override;

    void setupDefaultComSettings();
    void setPortName(const QString &name);
    void setSerialSettings(SerialPortSettings settings) { portSettings = settings; }
    SerialPortSettings serialSettings() const { return portSettings; }
    // Chosen before start(): USB reads the LM-2 instead of the port.
    void setIsUSB(bool usb);
    bool open();
    bool isOpen() const;

    // Bytes as read from the device, in order: every packet they complete
    // is emitted before this returns.
    void feed(const QByteArray &bytes);

public slots:
    void start();
    void stop();
    void write(const QByteArray &data);
    void usbReadEvent();

signals:
    void dataRead(QByteArray arr);
    void error(QString msg);
    void MTSPacketRead(InnovateMTSPacket packet);

protected slots:
    void onReadyRead();
    void onError(QSerialPort::SerialPortError error);
    void logMSTPacket(InnovateMTSPacket *packet);

private:
    void feedByte(quint8 byte);
    void portLost(const QString &reason);

    QSerialPort port;
    SerialPortLoss loss{port};
    log4cplus::Logger logger;
    SerialPortSettings portSettings;
    MTSStreamParser mtsParser;
    bool isUSB = false;
    QTimer *usbTimer = nullptr;
    // This handler holds the LM-2 (it is one device per process).
    bool usbOpen = false;
    qint64 lastEmitTime = 0;
    // Why the last open() failed.
    QString openFailure;
};
