#include "bridgeworker.h"

#include "tsanannotate.h"

BridgeWorker::BridgeWorker(const QString &portName, QObject *parent)
    : QObject(parent)
    , logger(KelvoLog::get("proxy"))
    , name(portName)
{
}

BridgeWorker::~BridgeWorker()
{
    KELVO_TSAN_ACQUIRE(this);
}

void BridgeWorker::stop()
{
    stopRequested = true;
}

void BridgeWorker::handOver(int kind, const QByteArray &bytes)
{
    std::lock_guard<std::mutex> lock(mutex);
    handOvers.append(HandOver{kind, bytes});
}

QList<BridgeWorker::HandOver> BridgeWorker::takeHandOvers()
{
    std::lock_guard<std::mutex> lock(mutex);
    QList<HandOver> out;
    out.swap(handOvers);
    return out;
}

void BridgeWorker::loopEnded()
{
    running = false;
    KELVO_TSAN_RELEASE(this);
}
