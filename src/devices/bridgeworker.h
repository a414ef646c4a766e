#pragma once
// What the two workers of the CAN bridge (EdPort and CANTranslator) share:
// a port name, a stop flag and the hand-over of bytes from the other
// side's thread. Each worker's loop blocks in its own thread and never
// returns to an event loop while it runs, so the other side hands bytes
// over by a direct call under this worker's mutex; the loop takes them
// before its next wait (at most LoopWaitMs later) and writes them to the
// port it owns.
#include "kelvolog.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>
#include <atomic>
#include <mutex>

class BridgeWorker : public QObject
{
    Q_OBJECT
public:
    enum { LoopWaitMs = 10 };

    explicit BridgeWorker(const QString &portName, QObject *parent = nullptr);
    ~BridgeWorker() override;

    QString portName() const { return name; }
    // True from the open port to the end of the loop.
    bool isRunning() const { return running.load(); }

signals:
    void connected();
    void error(QString err);

public slots:
    // Any thread: the loop ends within one wait and closes its port.
    void stop();

protected:
    struct HandOver
    {
        int kind;
        QByteArray bytes;
    };
    void handOver(int kind, const QByteArray &bytes);
    QList<HandOver> takeHandOvers();
    // Marks the loop's end for whoever waits for the thread.
    void loopEnded();

    log4cplus::Logger logger;
    QString name;
    std::atomic<bool> stopRequested{false};
    std::atomic<bool> running{false};

private:
    std::mutex mutex;
    QList<HandOver> handOvers;
};
