#include "ptyresponder.h"

#include <QElapsedTimer>
#include <chrono>
#include <thread>

PtyResponder::PtyResponder(PtyDevice &device)
    : dev(device)
{
}

PtyResponder::~PtyResponder()
{
    stop();
}

void PtyResponder::every(int intervalMs, TickHandler handler)
{
    tickMs = intervalMs;
    tick = std::move(handler);
}

void PtyResponder::play(const QByteArray &stream, int bytesPerTick, int intervalMs, bool loop)
{
    const int chunk = qMax(1, bytesPerTick);
    int at = 0;
    QByteArray pending;
    // Runs in the responder's thread only: the position needs no guard.
    every(intervalMs, [this, stream, chunk, loop, at, pending](PtyDevice &d) mutable {
        if (pending.isEmpty()) {
            if (at >= stream.size()) {
                if (!loop || stream.isEmpty())
                    return;
                at = 0;
            }
            pending = stream.mid(at, chunk);
            at += pending.size();
        }
        const int n = d.writeNow(pending);
        if (n > 0) {
            pending.remove(0, n);
            played += n;
        } else if (n == 0) {
            // The program reads no more: wait a little instead of spinning.
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
    });
    // every() ignores an interval of 0; the loop then ticks without waiting.
    tickMs = intervalMs;
    zeroInterval = intervalMs <= 0;
}

void PtyResponder::start()
{
    if (running.exchange(true))
        return;
    worker = std::thread([this] { loop(); });
}

void PtyResponder::stop()
{
    running = false;
    if (worker.joinable())
        worker.join();
}

QByteArray PtyResponder::received() const
{
    std::lock_guard<std::mutex> lock(mutex);
    return all;
}

bool PtyResponder::waitForReceived(int n, int timeoutMs) const
{
    QElapsedTimer t;
    t.start();
    do {
        {
            std::lock_guard<std::mutex> lock(mutex);
            if (all.size() >= n)
                return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    } while (t.elapsed() < timeoutMs);
    return false;
}

void PtyResponder::loop()
{
    QElapsedTimer sinceTick;
    sinceTick.start();
    while (running && dev.isOpen()) {
        int wait = 20;
        if (tick && tickMs > 0)
            wait = int(qBound<qint64>(0, tickMs - sinceTick.elapsed(), 20));
        else if (tick && zeroInterval)
            wait = 0;
        if (dev.waitForReadable(wait)) {
            const QByteArray got = dev.drain();
            if (!got.isEmpty()) {
                {
                    std::lock_guard<std::mutex> lock(mutex);
                    all += got;
                }
                if (receive)
                    receive(got, dev);
            }
        }
        if (tick && (zeroInterval || (tickMs > 0 && sinceTick.elapsed() >= tickMs))) {
            sinceTick.restart();
            tick(dev);
        }
    }
}
