#include "fourteenpoint7controller.h"

#include <cstring>

QByteArray FourteenPoint7Controller::message(float x, quint8 boost)
{
    quint32 bits;
    std::memcpy(&bits, &x, sizeof bits);
    // Bytes the reader does not use carry something, as a device's would.
    QByteArray m = QByteArray::fromHex("000000000102030405060708090a0b0c0d000e0f10");
    m[0] = char(bits >> 24);
    m[1] = char(bits >> 16);
    m[2] = char(bits >> 8);
    m[3] = char(bits);
    m[17] = char(boost);
    return m;
}

FourteenPoint7Controller::FourteenPoint7Controller(PtyDevice &device)
    : dev(device)
    , responder(device)
{
    clock.start();
    responder.onReceive([this](const QByteArray &got, PtyDevice &) {
        for (char c : got)
            answer(c);
        writeDue();
    });
    responder.every(1, [this](PtyDevice &) { writeDue(); });
}

FourteenPoint7Controller::~FourteenPoint7Controller()
{
    stop();
}

void FourteenPoint7Controller::setReading(float value, quint8 boostByte)
{
    std::lock_guard<std::mutex> lock(mutex);
    x = value;
    boost = boostByte;
}

void FourteenPoint7Controller::script(char request, const Answer &a)
{
    std::lock_guard<std::mutex> lock(mutex);
    scripts[request].append(a);
}

void FourteenPoint7Controller::start()
{
    {
        std::lock_guard<std::mutex> lock(mutex);
        clock.restart();
    }
    responder.start();
}

void FourteenPoint7Controller::stop()
{
    responder.stop();
}

qint64 FourteenPoint7Controller::now() const
{
    std::lock_guard<std::mutex> lock(mutex);
    return clock.elapsed();
}

void FourteenPoint7Controller::answer(char request)
{
    std::lock_guard<std::mutex> lock(mutex);
    const qint64 at = clock.elapsed();
    events.append({request, at});
    QByteArray usual;
    switch (request) {
    case 0x01: usual = startAnswer(); break;
    case 0x04: usual = initAnswer(); break;
    case 0x07: usual = message(x, boost); break;
    default: return;
    }
    Answer a;
    QList<Answer> &queued = scripts[request];
    if (!queued.isEmpty())
        a = queued.takeFirst();
    if (a.withhold)
        return;
    const QByteArray bytes = a.bytes.isEmpty() ? usual : a.bytes;
    const bool isMessage = request == 0x07;
    if (a.splitAt > 0 && a.splitAt < bytes.size()) {
        pending.append({at + a.delayMs, bytes.left(a.splitAt), false});
        pending.append({at + a.delayMs + a.splitDelayMs, bytes.mid(a.splitAt), isMessage});
    } else {
        pending.append({at + a.delayMs, bytes, isMessage});
    }
}

void FourteenPoint7Controller::writeDue()
{
    for (;;) {
        Pending next;
        {
            std::lock_guard<std::mutex> lock(mutex);
            if (pending.isEmpty() || pending.first().dueMs > clock.elapsed())
                return;
            next = pending.takeFirst();
        }
        // Taken before the write: the program may read the bytes before this
        // thread runs again, so that is the earliest it can have them.
        const qint64 at = now();
        dev.write(next.bytes);
        if (next.endsMessage) {
            std::lock_guard<std::mutex> lock(mutex);
            sent.append(at);
        }
    }
}

QByteArray FourteenPoint7Controller::received() const
{
    return responder.received();
}

QList<FourteenPoint7Controller::Event> FourteenPoint7Controller::requests() const
{
    std::lock_guard<std::mutex> lock(mutex);
    return events;
}

QList<qint64> FourteenPoint7Controller::messagesSent() const
{
    std::lock_guard<std::mutex> lock(mutex);
    return sent;
}

int FourteenPoint7Controller::messageCount() const
{
    std::lock_guard<std::mutex> lock(mutex);
    return sent.size();
}
