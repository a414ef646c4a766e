#pragma once
// A small serial source for a device that sends fixed-size raw messages:
// every message of exactly MessageSize bytes becomes a pseudo job whose one
// result "RAWDATA_AS_HEX" carries the bytes as lower-case hex text. A port
// lost while open is closed and reported once, as one job with result 349
// "port lost". Nothing in the program creates one yet; it lives in the
// thread that owns it.
#include "cjob.h"
#include "kelvolog.h"
#include "serialportloss.h"
#include "serialportsettings.h"

#include <QByteArray>
#include <QObject>
#include <QSerialPort>
#include <QString>

class ExtCSVReader : public QObject
{
    Q_OBJECT
public:
    enum { MessageSize = 21 };

    explicit ExtCSVReader(QObject *parent = nullptr);
    ~ExtCSVReader() override;

    void setJobName(const QString &name) { jobName = name; }
    QString getJobName() const { return jobName; }
    void setSerialSettings(const SerialPortSettings &s) { settings = s; }
    SerialPortSettings serialSettings() const { return settings; }
    bool isOpen() const { return port.isOpen(); }

signals:
    void jobFinished(CJob job, int result);

public slots:
    void onDataRead(QByteArray responseData);
    // Opens the port named in the settings; a port that does not open is
    // logged with its name and the reason, and the reader stays closed.
    void start();
    // Closes the port: the device is free for others again.
    void stop();

private slots:
    void onReadyRead();

private:
    void applySettings();
    void portLost(const QString &reason);

    QString jobName;
    log4cplus::Logger logger;
    QSerialPort port;
    SerialPortLoss loss{port};
    SerialPortSettings settings;
};
