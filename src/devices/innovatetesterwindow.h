#pragma once
// "Innovate tester": a developer window for the MTS protocol. Normally it
// reads a chain on a serial port or the LM-2 (USB), sends the queries 0xCE
// and 0xF3 or any hex bytes, and prints every packet it receives, decoded
// as far as it knows the devices. With "Simulate MTS Devices" it plays the
// chain itself on its port instead: it answers the two queries with the
// reply texts and sends the data packet every 82 ms, for another program
// (or another KelvO) to read. The converter turns text into hex and back.
// A port that goes away, in either mode, is closed and printed once.
#include "innovatemtsextconfig.h"
#include "innovatemtspacket.h"
#include "innovatestreamhandler.h"
#include "kelvolog.h"
#include "serialportloss.h"

#include <QSerialPort>
#include <QStringList>
#include <QTimer>
#include <QWidget>

namespace Ui {
class InnovateTesterWindow;
}

class InnovateTesterWindow : public QWidget
{
    Q_OBJECT
public:
    static const int SendIntervalMs = 82;

    explicit InnovateTesterWindow(QWidget *parent = nullptr);
    ~InnovateTesterWindow() override;

    QStringList deviceNames() const { return devNames; }
    QStringList deviceTypes() const { return devTypes; }

private slots:
    void on_btnSendHex_clicked();
    void on_btnStart_clicked();
    void on_btnStop_clicked();
    void onDataRead(QByteArray data);
    void onReadyRead();
    void onPortError(QSerialPort::SerialPortError error);
    void onError(QString message);
    void onMTSPacketRead(InnovateMTSPacket packet);
    void on_pushButton_clicked();
    void on_pushF3_clicked();
    void sendTimerElapsed();
    bool open();
    void on_txtASC_textChanged(const QString &text);
    void on_txtHEX_textChanged(const QString &text);

private:
    void output(const QString &line);
    void printDataPacket(const InnovateMTSPacket &packet);
    // The simulated reply of a hex text field, written to the own port.
    void reply(const QString &hexText);
    void ownPortLost(const QString &reason);

    InnovateStreamHandler stream;
    InnovateMTSExtConfig config;
    InnovateMTSPacket ceReply;
    InnovateMTSPacket f3Reply;
    QSerialPort port;
    SerialPortLoss portLoss{port};
    QString ownPortName;
    Ui::InnovateTesterWindow *ui;
    QStringList devTypes;
    QStringList devNames;
    log4cplus::Logger logger;
    QTimer sendTimer;
    bool converting = false;
};
