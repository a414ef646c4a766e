#pragma once
// The passive CAN listener: reads a car's broadcast CAN bus through a
// USBtin-like SLCAN adapter, without sending anything on the bus. The
// adapter is set to 500 kbit/s, stamped frames and acceptance filters for
// 0x0AA, 0x0CE and 0x1A0; every stamped frame line then becomes one pseudo
// job "CAN" with the seven latest values (CANBroadcastDecoder).
//
// Times: the first frame's arrival is the adapter start time, stored in
// KelvoGlobalData and sent to the start-time receiver (the plot window's
// setStartTime(qint64)); a job's time stamp is that start time plus the
// frame's adapter time since the first frame, so plots show the adapter's
// own timing, not the jitter of the serial line.
//
// startLoop() runs in the adapter's own thread and owns the port; stop()
// may be called from any thread: the loop sees it within 100 ms, closes
// the CAN channel ("\rC\r") and the port, and returns. A port that does
// not open gives one job 349 "failed to open port <port>: <reason>", a port
// lost while open ends the loop with one job 349 "port lost: <reason>".
#include "canbroadcastdecoder.h"
#include "cjob.h"
#include "kelvolog.h"
#include "serialportsettings.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <atomic>

class QSerialPort;

class CANAdapter : public QObject
{
    Q_OBJECT
public:
    enum { ReadWaitMs = 100, GroupWaitMs = 20, LastGroupWaitMs = 100 };

    explicit CANAdapter(const QString &name, QObject *parent = nullptr);
    ~CANAdapter() override;

    // Only the port name is used; the line settings are the adapter's own.
    SerialPortSettings serialSettings() const { return settings; }
    void setSerialSettings(const SerialPortSettings &s) { settings = s; }
    // The receiver's setStartTime(qint64) gets the adapter start time.
    void setStartTimeReceiver(QObject *receiver);
    // The adapter's set-up, in groups written together.
    static const QList<QByteArray> &initGroups();
    bool isListening() const { return listening.load(); }
    // The loop has ended (the port did not open, was lost, or was stopped).
    bool hasEnded() const { return ended.load(); }

signals:
    void connected();
    void error(QString err);
    void jobFinished(CJob job, int result);
    void usbTinStartTimeChanged(quint64 startTime);

public slots:
    void startLoop();
    // Nothing to do: the front end starts the loop with the thread.
    void start();
    void stop();

private:
    void initialise(QSerialPort &port);
    void handleLine(const QByteArray &line, qint64 loopStart, qint64 elapsed);
    void portFailed(const QString &text);

    SerialPortSettings settings;
    CANBroadcastDecoder decoder;
    log4cplus::Logger logger;
    std::atomic<bool> stopRequested{false};
    std::atomic<bool> listening{false};
    std::atomic<bool> ended{false};
    CJob job;
    QString name;
    quint64 startTime = 0;
    QPointer<QObject> startTimeReceiver;
};
