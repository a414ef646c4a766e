#include "scriptedecu.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QThread>
#include <chrono>

EcuAnswer EcuAnswer::reply(const QByteArray &replyBytes)
{
    EcuAnswer a;
    if (!replyBytes.isEmpty())
        a.chunks.append(EcuChunk{0, replyBytes});
    return a;
}

EcuAnswer EcuAnswer::silence()
{
    return EcuAnswer();
}

EcuAnswer &EcuAnswer::echo(Echo mode, int splitDelay)
{
    echoMode = mode;
    splitDelayMs = splitDelay;
    return *this;
}

EcuAnswer &EcuAnswer::after(int delayMs)
{
    firstDelayMs = delayMs;
    return *this;
}

EcuAnswer &EcuAnswer::inChunks(int n, int gapMs)
{
    QByteArray all;
    QList<EcuChunk> junk;
    for (int i = 0; i < chunks.size(); ++i) {
        if (i == 0)
            all = chunks[i].bytes;
        else
            junk.append(chunks[i]);
    }
    chunks.clear();
    if (n < 1)
        n = 1;
    if (n > all.size())
        n = qMax(1, all.size());
    const int base = all.size() / n;
    int pos = 0;
    for (int i = 0; i < n; ++i) {
        const int len = (i == n - 1) ? all.size() - pos : base;
        chunks.append(EcuChunk{i == 0 ? 0 : gapMs, all.mid(pos, len)});
        pos += len;
    }
    chunks.append(junk);
    return *this;
}

EcuAnswer &EcuAnswer::wrongCheckByte()
{
    for (int i = chunks.size() - 1; i >= 0; --i) {
        if (!chunks[i].bytes.isEmpty()) {
            QByteArray &b = chunks[i].bytes;
            b[b.size() - 1] = char(~quint8(b.at(b.size() - 1)));
            break;
        }
    }
    return *this;
}

EcuAnswer &EcuAnswer::thenJunk(const QByteArray &junk, int delayMs)
{
    chunks.append(EcuChunk{delayMs, junk});
    return *this;
}

EcuAnswer &EcuAnswer::withEchoInFirstChunk()
{
    joinEcho = true;
    return *this;
}

ScriptedEcu::ScriptedEcu(PtyDevice &device, Check c)
    : dev(device)
    , check(c)
{
}

ScriptedEcu::~ScriptedEcu()
{
    stop();
}

QByteArray ScriptedEcu::hex(const char *text)
{
    return QByteArray::fromHex(QByteArray(text).replace(' ', ""));
}

quint8 ScriptedEcu::xorOf(const QByteArray &bytes)
{
    quint8 x = 0;
    for (char c : bytes)
        x ^= quint8(c);
    return x;
}

quint8 ScriptedEcu::sumOf(const QByteArray &bytes)
{
    quint8 s = 0;
    for (char c : bytes)
        s = quint8(s + quint8(c));
    return s;
}

QByteArray ScriptedEcu::withCheck(const QByteArray &bytes, Check c)
{
    return bytes + char(c == Check::Xor ? xorOf(bytes) : sumOf(bytes));
}

void ScriptedEcu::on(const QByteArray &request, const EcuAnswer &answer)
{
    on(request, QList<EcuAnswer>{answer});
}

void ScriptedEcu::on(const QByteArray &request, const QList<EcuAnswer> &answers)
{
    std::lock_guard<std::mutex> lock(mutex);
    entries.append(Entry{withCheck(request, check), answers, 0});
}

void ScriptedEcu::otherwise(const EcuAnswer &answer)
{
    std::lock_guard<std::mutex> lock(mutex);
    fallback = answer;
}

void ScriptedEcu::start()
{
    if (running.exchange(true))
        return;
    startedAt = QDateTime::currentMSecsSinceEpoch();
    worker = std::thread([this] { loop(); });
}

void ScriptedEcu::stop()
{
    running = false;
    if (worker.joinable())
        worker.join();
}

QList<QByteArray> ScriptedEcu::requests() const
{
    std::lock_guard<std::mutex> lock(mutex);
    return seen;
}

QVector<qint64> ScriptedEcu::requestTimes() const
{
    std::lock_guard<std::mutex> lock(mutex);
    return seenAt;
}

bool ScriptedEcu::waitForRequests(int n, int timeoutMs) const
{
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < timeoutMs) {
        {
            std::lock_guard<std::mutex> lock(mutex);
            if (seen.size() >= n)
                return true;
        }
        QThread::msleep(5);
    }
    std::lock_guard<std::mutex> lock(mutex);
    return seen.size() >= n;
}

bool ScriptedEcu::sleepMs(int ms)
{
    // Sleeps in small steps so that stop() is never kept waiting long.
    QElapsedTimer t;
    t.start();
    while (running && t.elapsed() < ms)
        std::this_thread::sleep_for(std::chrono::milliseconds(qMin<qint64>(5, ms - t.elapsed())));
    return running;
}

void ScriptedEcu::loop()
{
    QByteArray pending;
    while (running && dev.isOpen()) {
        const int wait = pending.isEmpty() ? 20 : quietGapMs;
        if (dev.waitForReadable(wait)) {
            pending += dev.drain();
            // A known request ends its frame at once.
            QByteArray frame;
            {
                std::lock_guard<std::mutex> lock(mutex);
                for (const Entry &e : qAsConst(entries)) {
                    if (pending.startsWith(e.request)) {
                        frame = e.request;
                        break;
                    }
                }
            }
            if (!frame.isEmpty()) {
                pending.remove(0, frame.size());
                handle(frame);
            }
        } else if (!pending.isEmpty()) {
            // Quiet line: whatever came is one (unknown or broken) request.
            const QByteArray frame = pending;
            pending.clear();
            handle(frame);
        }
    }
}

void ScriptedEcu::handle(const QByteArray &frame)
{
    EcuAnswer answer;
    bool known = false;
    {
        std::lock_guard<std::mutex> lock(mutex);
        seen.append(frame);
        seenAt.append(QDateTime::currentMSecsSinceEpoch() - startedAt);
        for (Entry &e : entries) {
            if (e.request == frame) {
                answer = e.answers.value(qMin(e.used, e.answers.size() - 1));
                ++e.used;
                known = true;
                break;
            }
        }
        if (!known) {
            answer = fallback;
            ++bad;
        }
    }
    play(frame, answer);
}

void ScriptedEcu::play(const QByteArray &frame, const EcuAnswer &a)
{
    QList<EcuChunk> out = a.chunks;
    QByteArray echo = frame;
    switch (a.echoMode) {
    case EcuAnswer::Echo::None:
        echo.clear();
        break;
    case EcuAnswer::Echo::Corrupt:
        if (!echo.isEmpty())
            echo[0] = char(quint8(echo.at(0)) ^ 0x40);
        break;
    default:
        break;
    }
    if (a.joinEcho && !out.isEmpty()) {
        out[0].bytes.prepend(echo);
        echo.clear();
    }
    if (a.echoMode == EcuAnswer::Echo::Split && echo.size() > 1) {
        const int half = echo.size() / 2;
        dev.write(echo.left(half));
        if (!sleepMs(a.splitDelayMs))
            return;
        dev.write(echo.mid(half));
    } else if (!echo.isEmpty()) {
        dev.write(echo);
    }
    for (int i = 0; i < out.size(); ++i) {
        const int delay = out[i].delayMs + (i == 0 ? a.firstDelayMs : 0);
        if (delay > 0 && !sleepMs(delay))
            return;
        dev.write(out[i].bytes);
    }
}
