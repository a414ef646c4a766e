#include "ptyresponder.h"

#include <QElapsedTimer>
#include <chrono>

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
        if (tick && tickMs > 0 && sinceTick.elapsed() >= tickMs) {
            sinceTick.restart();
            tick(dev);
        }
    }
}
