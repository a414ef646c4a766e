#pragma once
// Owns the serial port of a TechEdge WBo2 controller (19200 baud 8N1, no
// flow control) and logs every byte that arrives, in hex at trace level.
// It decodes nothing. A port that fails while open is closed and reported
// once as error("port lost: " and the reason); one that cannot be opened
// as error("open port failed: " and the reason), in the system's words.
// Lives in the GUI thread.
#include "kelvolog.h"
#include "serialportloss.h"
#include "serialportsettings.h"

#include <QByteArray>
#include <QObject>
#include <QSerialPort>

class TechEdgeWBo2StreamHandler : public QObject
{
    Q_OBJECT
public:
    explicit TechEdgeWBo2StreamHandler(QObject *parent = nullptr);
    ~TechEdgeWBo2StreamHandler() override;

    SerialPortSettings serialSettings() const { return settings; }
    void setSerialSettings(const SerialPortSettings &s) { settings = s; }
    bool isOpen() const { return port.isOpen(); }

public slots:
    void start();
    void stop();
    void write(const QByteArray &data);

signals:
    void dataRead(QByteArray arr);
    void error(QString msg);
    void onPacketRead(QByteArray packet);

protected slots:
    void onReadyRead();
    void setupDefaultComSettings();
    bool open();
    void onError(QSerialPort::SerialPortError error);

private:
    void portLost(const QString &reason);

    QSerialPort port;
    SerialPortLoss loss{port};
    log4cplus::Logger logger;
    QString defaultPortName;
    SerialPortSettings settings;
    // Why the last open() failed.
    QString openFailure;
};
