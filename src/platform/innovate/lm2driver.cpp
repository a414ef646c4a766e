// The LM-2 driver stand-in: one device, "\\.\IMSLM2-0", shared by all its
// handles. Scripted, it answers the queries 0xCE and 0xF3 with the
// script's replies and sends its data packets at the script's pace; in
// device mode it passes bytes to and from a character device (a serial
// adapter, a pseudo-terminal) set to raw mode.
#include "lm2driver.h"

#include "innovateruntime.h"

#include <QFile>
#include <QString>

#include <chrono>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <set>

#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

using namespace InnovateStandIn;

namespace {

using Clock = std::chrono::steady_clock;
const char *const Lm2Name = "\\\\.\\IMSLM2-0";
const int ReadWaitMs = 100;
// A reader that fell behind gets at most this many late packets at once.
const int MaxBurst = 8;

struct Device
{
    std::mutex mutex;
    std::condition_variable wake;
    std::set<int> handles;
    int nextHandle = 1;
    Lm2Script script;
    int fd = -1;
    QByteArray pending;  // bytes to deliver, in order
    QByteArray written;
    Clock::time_point opened;
    qint64 packetsSent = 0;

    bool isOpen() const { return !handles.empty(); }

    // Appends the data packets that are due by now; the time the next one is due.
    Clock::time_point queueDue(Clock::time_point now)
    {
        const auto interval = std::chrono::milliseconds(script.intervalMs);
        if (script.data.isEmpty() || !script.device.isEmpty())
            return now + std::chrono::hours(1);
        const qint64 due = (now - opened) / interval;
        if (due - packetsSent > MaxBurst)
            packetsSent = due - MaxBurst;
        while (packetsSent < due) {
            pending += script.data.at(int(packetsSent % script.data.size()));
            ++packetsSent;
        }
        return opened + interval * (packetsSent + 1);
    }

    void closeDevice()
    {
        if (fd >= 0)
            ::close(fd);
        fd = -1;
    }
};

// Never destroyed: a reader thread may still be inside a control call
// while the process ends.
Device &device()
{
    static Device *d = new Device;
    return *d;
}

QString hex(const void *data, unsigned long size)
{
    return QString::fromLatin1(QByteArray(static_cast<const char *>(data), int(size)).toHex(' '));
}

quint32 inputValue(const void *in, unsigned long inSize)
{
    quint32 v = 0;
    if (in && inSize >= sizeof v)
        std::memcpy(&v, in, sizeof v);
    return v;
}

bool openCharacterDevice(Device &d)
{
    const QByteArray path = QFile::encodeName(d.script.device);
    d.fd = ::open(path.constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (d.fd < 0) {
        qWarning("LM-2 stand-in: %s: %s", path.constData(), strerror(errno));
        return false;
    }
    // The controller's bytes must pass as they are: no line editing, no echo.
    termios tio;
    if (isatty(d.fd) && tcgetattr(d.fd, &tio) == 0) {
        cfmakeraw(&tio);
        tcsetattr(d.fd, TCSANOW, &tio);
    }
    return true;
}

// Up to size bytes from the device, waiting at most ReadWaitMs for the first.
int readBytes(Device &d, int handle, char *out, int size, bool *failed)
{
    std::unique_lock<std::mutex> lock(d.mutex);
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(ReadWaitMs);
    for (;;) {
        if (!d.handles.count(handle)) {
            *failed = true;
            return 0;
        }
        const Clock::time_point next = d.queueDue(Clock::now());
        if (!d.pending.isEmpty()) {
            const int n = qMin(size, d.pending.size());
            std::memcpy(out, d.pending.constData(), size_t(n));
            d.pending.remove(0, n);
            return n;
        }
        if (d.fd >= 0) {
            const int fd = d.fd;
            lock.unlock();
            pollfd p{fd, POLLIN, 0};
            const int waitMs = int(std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count());
            const int ready = ::poll(&p, 1, qMax(0, waitMs));
            if (ready > 0) {
                const ssize_t n = ::read(fd, out, size_t(size));
                if (n > 0)
                    return int(n);
                if (n < 0 && errno != EAGAIN && errno != EINTR) {
                    *failed = true;  // the device went away
                    return 0;
                }
                if (n == 0 || (p.revents & (POLLHUP | POLLERR))) {
                    *failed = true;
                    return 0;
                }
            }
            lock.lock();
            if (Clock::now() >= deadline)
                return 0;
            continue;
        }
        if (Clock::now() >= deadline)
            return 0;
        d.wake.wait_until(lock, std::min(deadline, next));
    }
}

bool writeBytes(Device &d, const char *data, int size)
{
    std::lock_guard<std::mutex> lock(d.mutex);
    d.written.append(data, size);
    if (d.fd >= 0) {
        int at = 0;
        while (at < size) {
            const ssize_t n = ::write(d.fd, data + at, size_t(size - at));
            if (n > 0) {
                at += int(n);
            } else if (n < 0 && (errno == EAGAIN || errno == EINTR)) {
                pollfd p{d.fd, POLLOUT, 0};
                if (::poll(&p, 1, ReadWaitMs) <= 0)
                    return false;
            } else {
                return false;
            }
        }
        return true;
    }
    for (int i = 0; i < size; ++i) {
        const unsigned char b = static_cast<unsigned char>(data[i]);
        if (b == 0xCE)
            d.pending += d.script.ceReply;
        else if (b == 0xF3)
            d.pending += d.script.f3Reply;
    }
    d.wake.notify_all();
    return true;
}

} // namespace

extern "C" int lm2drvOpen(const char *deviceName)
{
    const QString name = QString::fromLatin1(deviceName ? deviceName : "");
    logCall(QStringLiteral("lm2drvOpen"), name);
    if (name != QLatin1String(Lm2Name))
        return -1;
    Device &d = device();
    std::lock_guard<std::mutex> lock(d.mutex);
    if (!d.isOpen()) {
        const Lm2Script script = currentScript().lm2;
        if (!script.present)
            return -1;
        d.script = script;
        d.closeDevice();
        if (!d.script.device.isEmpty() && !openCharacterDevice(d))
            return -1;
        d.written.clear();
        d.opened = Clock::now();
        d.packetsSent = 0;
    } else if (d.script.handles > 0 && int(d.handles.size()) >= d.script.handles) {
        return -1;
    }
    const int handle = d.nextHandle++;
    d.handles.insert(handle);
    return handle;
}

extern "C" int lm2drvControl(int handle, unsigned long code, const void *in, unsigned long inSize, void *out,
                             unsigned long outSize, unsigned long *returned)
{
    Device &d = device();
    if (returned)
        *returned = 0;
    if (code != LM2_CTL_READ) {
        logCall(QStringLiteral("lm2drvControl"),
                QStringLiteral("%1, 0x%2, %3")
                    .arg(handle)
                    .arg(code, 0, 16)
                    .arg(code == LM2_CTL_WRITE && out ? hex(out, outSize) : QString::number(inputValue(in, inSize))));
    }
    {
        std::lock_guard<std::mutex> lock(d.mutex);
        if (!d.handles.count(handle))
            return 0;
    }
    switch (code) {
    case LM2_CTL_OPEN_A:
    case LM2_CTL_OPEN_B:
        return inSize >= 4 ? 1 : 0;
    case LM2_CTL_READ: {
        if (!out || outSize == 0)
            return 0;
        bool failed = false;
        const int n = readBytes(d, handle, static_cast<char *>(out), int(qMin<unsigned long>(outSize, 4096)), &failed);
        if (failed)
            return 0;
        if (returned)
            *returned = static_cast<unsigned long>(n);
        return 1;
    }
    case LM2_CTL_WRITE:
        if (!out && outSize > 0)
            return 0;
        return writeBytes(d, static_cast<const char *>(out), int(qMin<unsigned long>(outSize, 1u << 20))) ? 1 : 0;
    default:
        return 0;
    }
}

extern "C" int lm2drvClose(int handle)
{
    logCall(QStringLiteral("lm2drvClose"), QString::number(handle));
    Device &d = device();
    std::lock_guard<std::mutex> lock(d.mutex);
    if (!d.handles.erase(handle))
        return -1;
    if (!d.isOpen()) {
        d.closeDevice();
        d.pending.clear();
    }
    d.wake.notify_all();
    return 0;
}

namespace InnovateStandIn {

void lm2Reset()
{
    Device &d = device();
    std::lock_guard<std::mutex> lock(d.mutex);
    d.handles.clear();
    d.closeDevice();
    d.pending.clear();
    d.written.clear();
    d.script = Lm2Script();
    d.packetsSent = 0;
    d.wake.notify_all();
}

void feedLm2(const QByteArray &bytes)
{
    Device &d = device();
    std::lock_guard<std::mutex> lock(d.mutex);
    d.pending += bytes;
    d.wake.notify_all();
}

QByteArray lm2Written()
{
    Device &d = device();
    std::lock_guard<std::mutex> lock(d.mutex);
    return d.written;
}

int lm2Pending()
{
    Device &d = device();
    std::lock_guard<std::mutex> lock(d.mutex);
    return d.pending.size();
}

int lm2OpenHandles()
{
    Device &d = device();
    std::lock_guard<std::mutex> lock(d.mutex);
    return int(d.handles.size());
}

} // namespace InnovateStandIn
