#include "canadapterfe.h"

#include "canadapter.h"
#include "tsanannotate.h"

#include <QDebug>
#include <QThread>

CANAdapterFE::CANAdapterFE(const QString &name, QObject *startTimeReceiver, QObject *parent)
    : QObject(parent)
    , canAdapter(new CANAdapter(name, nullptr))
{
    canAdapter->setStartTimeReceiver(startTimeReceiver);
    // Emitted in the adapter's thread and queued once, by whoever listens.
    connect(canAdapter, &CANAdapter::jobFinished, this, &CANAdapterFE::jobFinished, Qt::DirectConnection);
}

CANAdapterFE::~CANAdapterFE()
{
    qDebug() << "~CANAdfapterFE";
    stop();
}

SerialPortSettings CANAdapterFE::serialSettings() const
{
    return canAdapter ? canAdapter->serialSettings() : SerialPortSettings();
}

void CANAdapterFE::setSerialSettings(const SerialPortSettings &settings)
{
    if (canAdapter && !thread)
        canAdapter->setSerialSettings(settings);
}

void CANAdapterFE::start()
{
    if (!canAdapter || thread)
        return;
    thread = new QThread;
    thread->setObjectName(QStringLiteral("canAdapter"));
    canAdapter->moveToThread(thread);
    connect(thread, &QThread::started, canAdapter, &CANAdapter::startLoop);
    thread->start(QThread::HighPriority);
}

bool CANAdapterFE::isRunning() const
{
    return thread != nullptr && canAdapter && !canAdapter->hasEnded();
}

void CANAdapterFE::stop()
{
    qDebug() << "canAdapter stop";
    if (!canAdapter)
        return;
    canAdapter->stop();
    if (thread) {
        // The loop sees the stop within its read wait, closes the channel
        // and the port, and returns; the thread's event loop then ends.
        thread->quit();
        thread->wait();
        KELVO_TSAN_ACQUIRE(canAdapter);
        delete thread;
        thread = nullptr;
    }
    delete canAdapter;
    canAdapter = nullptr;
}
