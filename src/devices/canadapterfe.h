#pragma once
// The front end of the passive CAN listener, as the external-source
// manager creates it for "USBTin CAN adapter": it owns the CANAdapter and
// its thread, relays the adapter's jobs, and stops them. start() runs the
// adapter's loop in a thread of high priority; stop() ends the loop, waits
// for the thread and deletes the adapter (a stopped front end stays
// stopped). Its destructor stops as well, so deleting it mid-loop is safe.
#include "cjob.h"
#include "serialportsettings.h"

#include <QObject>
#include <QString>

class CANAdapter;
class QThread;

class CANAdapterFE : public QObject
{
    Q_OBJECT
public:
    // startTimeReceiver: the plot window, whose setStartTime(qint64) gets
    // the adapter start time.
    CANAdapterFE(const QString &name, QObject *startTimeReceiver, QObject *parent = nullptr);
    ~CANAdapterFE() override;

    SerialPortSettings serialSettings() const;
    void setSerialSettings(const SerialPortSettings &settings);
    // Null once stopped.
    CANAdapter *adapter() const { return canAdapter; }
    // True from start() until the adapter's loop ends (its port did not
    // open or was lost) or it is stopped.
    Q_INVOKABLE bool isRunning() const;

signals:
    void jobFinished(CJob job, int result);

public slots:
    void start();
    void stop();

private:
    CANAdapter *canAdapter = nullptr;
    QThread *thread = nullptr;
};
