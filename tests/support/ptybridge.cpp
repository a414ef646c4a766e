#include "ptybridge.h"

#include <QElapsedTimer>
#include <cerrno>
#include <chrono>
#include <poll.h>
#include <unistd.h>

PtyBridge::PtyBridge(PtyDevice &first, PtyDevice &second)
    : a(first)
    , b(second)
{
    worker = std::thread([this] { loop(); });
}

PtyBridge::~PtyBridge()
{
    stop();
}

void PtyBridge::stop()
{
    running = false;
    if (worker.joinable())
        worker.join();
}

void PtyBridge::cut()
{
    stop();
    a.unplug();
    b.unplug();
}

QByteArray PtyBridge::aToB() const
{
    std::lock_guard<std::mutex> lock(mutex);
    return carriedAToB;
}

QByteArray PtyBridge::bToA() const
{
    std::lock_guard<std::mutex> lock(mutex);
    return carriedBToA;
}

bool PtyBridge::waitForCarried(int aToBBytes, int bToABytes, int timeoutMs) const
{
    QElapsedTimer t;
    t.start();
    do {
        {
            std::lock_guard<std::mutex> lock(mutex);
            if (carriedAToB.size() >= aToBBytes && carriedBToA.size() >= bToABytes)
                return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    } while (t.elapsed() < timeoutMs);
    return false;
}

void PtyBridge::loop()
{
    // Bytes read from one master and not yet taken by the other.
    QByteArray toB;
    QByteArray toA;
    auto pull = [](int fd, QByteArray &into) {
        char buf[512];
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n > 0)
            into.append(buf, int(n));
    };
    auto push = [this](int fd, QByteArray &from, QByteArray &carried) {
        const ssize_t n = ::write(fd, from.constData(), size_t(from.size()));
        if (n <= 0)
            return;
        std::lock_guard<std::mutex> lock(mutex);
        carried += from.left(int(n));
        from.remove(0, int(n));
    };
    while (running && a.isOpen() && b.isOpen()) {
        const int fa = a.masterFd();
        const int fb = b.masterFd();
        // A side is read only while its last bytes have gone on, so that a
        // side that stops reading holds the other back, as a cable would.
        struct pollfd p[2] = {{fa, short((toB.isEmpty() ? POLLIN : 0) | (toA.isEmpty() ? 0 : POLLOUT)), 0},
                              {fb, short((toA.isEmpty() ? POLLIN : 0) | (toB.isEmpty() ? 0 : POLLOUT)), 0}};
        const int rc = ::poll(p, 2, 10);
        if (rc < 0 && errno != EINTR)
            break;
        if (rc <= 0)
            continue;
        if ((p[0].revents | p[1].revents) & (POLLERR | POLLNVAL))
            break;
        if (p[0].revents & POLLIN)
            pull(fa, toB);
        if (p[1].revents & POLLIN)
            pull(fb, toA);
        if (!toB.isEmpty())
            push(fb, toB, carriedAToB);
        if (!toA.isEmpty())
            push(fa, toA, carriedBToA);
    }
}
