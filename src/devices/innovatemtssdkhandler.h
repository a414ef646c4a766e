#pragma once
// The external source "Innovate MTS": reads an MTS chain through the
// Innovate MTS SDK control instead of decoding its stream. start() connects
// 2 s later to the port whose name the settings hold (else the last port
// the SDK reports); after the connection event the control sends sample
// sets, each of which becomes one pseudo job with one or more results per
// input. A source that cannot connect or loses its connection stops and
// gives one job with result 349 that says why: "MTS SDK not available"
// when the control is not installed, a port named that the SDK does not
// report (no other port is taken in its place), a connection error. Lives
// in the GUI thread, where the control's events arrive.
//
// Its input configuration follows the files as the serial source's does: a
// change is read before the next sample set, and while a file does not read
// the last good configuration stays in use and notice() says why.
#include "cjob.h"
#include "innovateconfigfollower.h"
#include "innovatemtsextconfig.h"
#include "kelvolog.h"
#include "serialportsettings.h"

#include <QObject>
#include <QTimer>

namespace MTSSDKLib {
class MTS;
}

class InnovateMTSSDKHandler : public QObject
{
    Q_OBJECT
public:
    static const int ConnectDelayMs = 2000;

    explicit InnovateMTSSDKHandler(QString name, QObject *parent = nullptr);
    ~InnovateMTSSDKHandler() override;

    SerialPortSettings serialSettings() const { return settings; }
    void setSerialSettings(const SerialPortSettings &s) { settings = s; }
    // True from construction until it stops (a failure, or its window closed).
    Q_INVOKABLE bool isRunning() const;

public slots:
    void start();
    void startConnect();
    // Disconnects and lets the control go; again, or before the connection
    // was made, it does nothing more (a pending connection is dropped).
    void stop();
    void onNewData();
    void onConnectionError();
    void onConnectionEvent(int result);

signals:
    void jobFinished(CJob job, int result);
    // For the plot window's status line: what keeps the configuration from
    // reading, empty once it reads.
    void notice(QString text);

private:
    void addJobResultForInput(CJob &job, int input);
    // Stops and says why in one job with result 349.
    void fail(const QString &text);
    int intProperty(const char *property) const;
    double realProperty(const char *property) const;
    QString textProperty(const char *property) const;

    QString name;
    log4cplus::Logger logger;
    SerialPortSettings settings;
    MTSSDKLib::MTS *control;
    InnovateMTSExtConfig config;
    InnovateConfigFollower follower;
    QTimer connectTimer;
    bool stopped = false;
    // A connection event came: a connection error from now on is a loss.
    bool connected = false;
};
