#include "ediabasserial.h"

#include <QSettings>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <thread>
#include <unistd.h>

namespace EdiabasStandIn {
namespace {

using Clock = std::chrono::steady_clock;

// Header 0x81 .. 0xFF: n = header - 0x80 data bytes, n + 4 in all.
int telegramLength(uchar header)
{
    return header > 0x80 ? header - 0x80 + 4 : -1;
}

void run(std::shared_ptr<SerialExchange> x, int fd, QByteArray telegram, int timeoutMs)
{
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    QString error;
    QByteArray got;
    int written = 0;
    while (written < telegram.size()) {
        const ssize_t n = ::write(fd, telegram.constData() + written, size_t(telegram.size() - written));
        if (n > 0) {
            written += int(n);
            continue;
        }
        if (n < 0 && errno != EAGAIN && errno != EINTR) {
            error = QStringLiteral("write failed: %1").arg(QString::fromLocal8Bit(std::strerror(errno)));
            break;
        }
        if (Clock::now() >= deadline) {
            error = QStringLiteral("telegram not written within %1 ms").arg(timeoutMs);
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    const int echo = telegram.size();
    while (error.isEmpty()) {
        if (got.size() > echo) {
            const int length = telegramLength(uchar(got.at(echo)));
            if (length < 0) {
                error = QStringLiteral("answer starts with 0x%1, no telegram header")
                            .arg(uchar(got.at(echo)), 2, 16, QLatin1Char('0'));
                break;
            }
            if (got.size() >= echo + length)
                break;
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0) {
            error = QStringLiteral("no answer within %1 ms (%2 byte(s) read)").arg(timeoutMs).arg(got.size());
            break;
        }
        pollfd p{fd, POLLIN, 0};
        const int ready = ::poll(&p, 1, int(left));
        if (ready < 0 && errno != EINTR) {
            error = QStringLiteral("port failed: %1").arg(QString::fromLocal8Bit(std::strerror(errno)));
            break;
        }
        if (ready <= 0)
            continue;
        char buf[256];
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n > 0)
            got.append(buf, int(n));
        else if (n == 0 || (errno != EAGAIN && errno != EINTR))
            error = QStringLiteral("port closed");
        if (got.size() >= echo && !got.startsWith(telegram))
            error = QStringLiteral("echo differs from the telegram");
    }
    ::close(fd);
    if (error.isEmpty()) {
        const QByteArray answer = got.mid(echo, telegramLength(uchar(got.at(echo))));
        uchar sum = 0;
        for (int i = 0; i + 1 < answer.size(); ++i)
            sum = uchar(sum + uchar(answer.at(i)));
        if (sum != uchar(answer.at(answer.size() - 1)))
            error = QStringLiteral("answer with a wrong check byte: %1").arg(QString::fromLatin1(answer.toHex(' ')));
        else
            x->answer = answer;
    }
    x->error = error;
    x->done = true;
}

} // namespace

QString interfacePort()
{
    QSettings ini(QStringLiteral("ediabas/obd.ini"), QSettings::IniFormat);
    ini.setIniCodec("UTF-8");
    return ini.value(QStringLiteral("OBD/Port")).toString();
}

std::shared_ptr<SerialExchange> startSerialExchange(const QByteArray &telegram, int timeoutMs)
{
    auto x = std::make_shared<SerialExchange>();
    const QString port = interfacePort();
    const int fd = port.isEmpty() ? -1 : ::open(port.toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) {
        x->error = port.isEmpty() ? QStringLiteral("no \"OBD/Port\" in ediabas/obd.ini")
                                  : QStringLiteral("port %1 not opened: %2")
                                        .arg(port, QString::fromLocal8Bit(std::strerror(errno)));
        x->done = true;
        return x;
    }
    termios t{};
    if (::tcgetattr(fd, &t) == 0) {
        ::cfmakeraw(&t);
        ::cfsetspeed(&t, B921600);
        ::tcsetattr(fd, TCSANOW, &t);
    }
    ::tcflush(fd, TCIOFLUSH);
    // Ends on its own within the time-out; the job polls `done`.
    std::thread(run, x, fd, telegram, timeoutMs).detach();
    return x;
}

} // namespace EdiabasStandIn
