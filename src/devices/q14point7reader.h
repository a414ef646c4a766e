#pragma once
// Speaks the request/response protocol of a 14Point7 wideband controller
// (14400 baud 8N1): 0x01 once the port is open, 0x04 after its answer, then
// 0x07 after the answer to 0x04 and after every data message of 21 bytes.
// Every answer to 0x01 and 0x04, and every buffer of 21 bytes or more, is
// passed on as dataRead; nothing is decoded here.
//
// After each request the port is left unread for a pause (100 ms at start,
// the data pause while streaming) on a single-shot timer, so that the
// answer is there in one piece; the GUI thread it lives in goes on. A
// request left 1 s without a byte is sent again with the buffer emptied, so
// one lost byte does not stall the exchange. A port that fails while open is
// closed and reported once as error("port lost: " and the reason); one that
// does not open as error("open port failed: " and the reason), in the
// system's words.
//
// takeBytes() is the state step of the bytes read, so that the exchange can
// be driven without a port (fuzzing, benchmarks): requests then go nowhere.
#include "kelvolog.h"
#include "serialportloss.h"
#include "serialportsettings.h"

#include <QByteArray>
#include <QObject>
#include <QSerialPort>
#include <QTimer>

class Q14Point7Reader : public QObject
{
    Q_OBJECT
public:
    enum State { Idle = 0, WaitStart = 1, WaitInit = 2, Streaming = 3 };
    enum : char { StartByte = 0x01, InitByte = 0x04, DataRequest = 0x07 };
    enum { MessageSize = 21, InitPauseMs = 100, RetryMs = 1000 };

    explicit Q14Point7Reader(QObject *parent = nullptr);
    ~Q14Point7Reader() override;

    void setPortName(const QString &name);
    void setDataPause(int ms);
    int dataPause() const { return pauseData; }
    SerialPortSettings serialSettings() const { return settings; }
    void setSerialSettings(const SerialPortSettings &s) { settings = s; }
    int state() const { return protocolState; }
    bool isOpen() const { return port.isOpen(); }

    // Sends the start byte and waits for its answer, as start() does once
    // the port is open.
    void beginExchange();
    // The state step: the bytes read from the device, in order.
    void takeBytes(const QByteArray &bytes);

public slots:
    void start();
    void stop();
    void onReadyRead();
    void setupDefaultComSettings();
    bool open();
    void onError(QSerialPort::SerialPortError error);
    // The text's characters as Latin-1 bytes.
    void write(const QString &data);

signals:
    void messageRead(QByteArray message);
    void dataRead(QByteArray data);
    void error(QString message);

private slots:
    void pauseEnded();
    void requestTimedOut();

private:
    void send(char request);
    void writeBytes(const QByteArray &bytes);
    void pause(int ms);
    void portLost(const QString &reason);

    SerialPortSettings settings;
    QSerialPort port;
    SerialPortLoss loss{port};
    QByteArray buffer;
    log4cplus::Logger logger;
    int protocolState = Idle;
    int pauseData = 40;
    // The port stays unread while it runs.
    QTimer pauseTimer;
    // Runs while an answer is awaited; every byte restarts it.
    QTimer retryTimer;
    char lastRequest = 0;
    // Why the last open() failed.
    QString openFailure;
};
