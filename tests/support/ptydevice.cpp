#include "ptydevice.h"

#include "ptyspeed.h"

#include <QElapsedTimer>
#include <cstring>
#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <sys/ioctl.h>
#include <unistd.h>

PtyDevice::PtyDevice()
{
    struct termios raw;
    ::memset(&raw, 0, sizeof raw);
    cfmakeraw(&raw);
    cfsetispeed(&raw, B9600);
    cfsetospeed(&raw, B9600);
    raw.c_cflag |= CLOCAL | CREAD;
    char name[128] = {0};
    // Raw from the start: a cooked slave would echo and translate what the
    // device sends before the program has opened and configured its side.
    if (::openpty(&master, &slave, name, &raw, nullptr) != 0) {
        master = slave = -1;
        return;
    }
    path = QString::fromLocal8Bit(name);
    ::fcntl(master, F_SETFL, ::fcntl(master, F_GETFL) | O_NONBLOCK);
    ::fcntl(master, F_SETFD, FD_CLOEXEC);
    ::fcntl(slave, F_SETFD, FD_CLOEXEC);
}

PtyDevice::~PtyDevice()
{
    unplug();
    if (hungUp >= 0)
        ::close(hungUp);
}

void PtyDevice::unplug()
{
    if (master >= 0)
        ::close(master);
    if (slave >= 0)
        hungUp = slave;
    master = slave = -1;
}

bool PtyDevice::write(const QByteArray &bytes)
{
    int done = 0;
    while (master >= 0 && done < bytes.size()) {
        const ssize_t n = ::write(master, bytes.constData() + done, size_t(bytes.size() - done));
        if (n > 0) {
            done += int(n);
        } else if (n < 0 && (errno == EAGAIN || errno == EINTR)) {
            struct pollfd p = {master, POLLOUT, 0};
            ::poll(&p, 1, 50);
        } else {
            return false;
        }
    }
    return master >= 0;
}

int PtyDevice::writeNow(const QByteArray &bytes)
{
    if (master < 0)
        return -1;
    int done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(master, bytes.constData() + done, size_t(bytes.size() - done));
        if (n > 0)
            done += int(n);
        else if (n < 0 && errno == EINTR)
            continue;
        else
            break;
    }
    return done;
}

bool PtyDevice::waitForReadable(int timeoutMs)
{
    if (master < 0)
        return false;
    struct pollfd p = {master, POLLIN, 0};
    int rc;
    do {
        rc = ::poll(&p, 1, timeoutMs);
    } while (rc < 0 && errno == EINTR);
    return rc > 0 && (p.revents & POLLIN);
}

bool PtyDevice::waitForProgramInput(int n, int timeoutMs) const
{
    // The line has one input queue, whichever descriptor of the slave asks.
    QElapsedTimer t;
    t.start();
    for (;;) {
        int waiting = 0;
        if (slave < 0 || ::ioctl(slave, FIONREAD, &waiting) != 0)
            return false;
        if (waiting >= n)
            return true;
        if (t.elapsed() >= timeoutMs)
            return false;
        ::usleep(2000);
    }
}

QByteArray PtyDevice::drain()
{
    QByteArray out;
    char buf[512];
    while (master >= 0) {
        const ssize_t n = ::read(master, buf, sizeof buf);
        if (n <= 0)
            break;
        out.append(buf, int(n));
    }
    return out;
}

QByteArray PtyDevice::read(int timeoutMs)
{
    if (!waitForReadable(timeoutMs))
        return QByteArray();
    return drain();
}

QByteArray PtyDevice::readExactly(int n, int timeoutMs)
{
    QByteArray out;
    QElapsedTimer t;
    t.start();
    while (out.size() < n) {
        const int left = timeoutMs - int(t.elapsed());
        if (left <= 0 || !waitForReadable(left))
            break;
        char buf[512];
        const ssize_t got = ::read(master, buf, size_t(qMin<int>(n - out.size(), int(sizeof buf))));
        if (got <= 0)
            break;
        out.append(buf, int(got));
    }
    return out;
}

struct termios PtyDevice::lineSettings() const
{
    struct termios t;
    ::memset(&t, 0, sizeof t);
    if (slave >= 0)
        ::tcgetattr(slave, &t);
    return t;
}

int PtyDevice::baudRate() const
{
    // The kernel's own speed first: it also holds speeds without a code.
    const int speed = PtySpeed::output(slave);
    if (speed > 0)
        return speed;
    const struct termios t = lineSettings();
    switch (cfgetospeed(&t)) {
    case B1200: return 1200;
    case B2400: return 2400;
    case B4800: return 4800;
    case B9600: return 9600;
    case B19200: return 19200;
    case B38400: return 38400;
    case B57600: return 57600;
    case B115200: return 115200;
    case B230400: return 230400;
    case B460800: return 460800;
    case B921600: return 921600;
    default: return 0;
    }
}

int PtyDevice::dataBits() const
{
    switch (lineSettings().c_cflag & CSIZE) {
    case CS5: return 5;
    case CS6: return 6;
    case CS7: return 7;
    default: return 8;
    }
}

bool PtyDevice::parityEnabled() const
{
    return (lineSettings().c_cflag & PARENB) != 0;
}

bool PtyDevice::hardwareFlowControl() const
{
    return (lineSettings().c_cflag & CRTSCTS) != 0;
}
