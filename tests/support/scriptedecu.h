#pragma once
// A diagnostic cable with an ECU behind it, on the master side of a
// PtyDevice. Like the real K-line adapter it first returns the echo of
// every byte it received (whole, split, corrupt or not at all, as scripted),
// then the ECU answers a request it knows and whose check byte is right;
// anything else gets the echo only.
//
//     PtyDevice dev;
//     ScriptedEcu ecu(dev);
//     ecu.on(ScriptedEcu::hex("12050B03"),
//            EcuAnswer::reply(ScriptedEcu::hex("120CA0...")).inChunks(3, 50));
//     ecu.start();
//     ... the program opens dev.slavePath() ...
//     QCOMPARE(ecu.requests().value(0), ScriptedEcu::hex("12050B031F"));
//
// Requests are framed either by matching a known request exactly or, for
// anything unknown, by a quiet gap on the line (quietGapMs).
#include "ptydevice.h"

#include <QByteArray>
#include <QList>
#include <QVector>
#include <atomic>
#include <mutex>
#include <thread>

struct EcuChunk
{
    int delayMs = 0; // before this chunk is written
    QByteArray bytes;
};

// One scripted answer to one request.
class EcuAnswer
{
public:
    enum class Echo { Whole, Split, Corrupt, None };

    // The reply as given (check byte included; see ScriptedEcu::withCheck).
    static EcuAnswer reply(const QByteArray &replyBytes);
    // Echo only: the ECU stays silent.
    static EcuAnswer silence();

    EcuAnswer &echo(Echo mode, int splitDelayMs = 30);
    // Waits before the first reply byte, after the echo.
    EcuAnswer &after(int delayMs);
    // Cuts the reply into n pieces of about equal size, gapMs apart.
    EcuAnswer &inChunks(int n, int gapMs);
    // Sends the reply with its last byte inverted.
    EcuAnswer &wrongCheckByte();
    // Appends bytes after the reply (a chatty line, a second frame).
    EcuAnswer &thenJunk(const QByteArray &junk, int delayMs = 0);
    // Echo and reply in one single write, as one chunk.
    EcuAnswer &withEchoInFirstChunk();

    Echo echoMode = Echo::Whole;
    int splitDelayMs = 30;
    int firstDelayMs = 0;
    bool joinEcho = false;
    QList<EcuChunk> chunks;
};

class ScriptedEcu
{
public:
    enum class Check { Xor, Sum };

    explicit ScriptedEcu(PtyDevice &device, Check check = Check::Xor);
    ~ScriptedEcu();
    ScriptedEcu(const ScriptedEcu &) = delete;
    ScriptedEcu &operator=(const ScriptedEcu &) = delete;

    // "12 05 0b 03" -> bytes (blanks ignored).
    static QByteArray hex(const char *text);
    static quint8 xorOf(const QByteArray &bytes);
    static quint8 sumOf(const QByteArray &bytes);
    static QByteArray withCheck(const QByteArray &bytes, Check check);

    void setCheck(Check c) { check = c; }
    void setQuietGapMs(int ms) { quietGapMs = ms; }
    // The request without its check byte; the ECU expects the check byte of
    // its kind after it. Several answers are used in turn, the last repeats.
    void on(const QByteArray &request, const EcuAnswer &answer);
    void on(const QByteArray &request, const QList<EcuAnswer> &answers);
    // Answer for requests that are not scripted (default: echo only).
    void otherwise(const EcuAnswer &answer);

    void start();
    void stop();

    // Every framed request as received, in order.
    QList<QByteArray> requests() const;
    // Requests that were unknown or carried a wrong check byte.
    int badRequests() const { return bad.load(); }
    // Waits (processing no events) until n requests have been framed.
    bool waitForRequests(int n, int timeoutMs) const;
    // Milliseconds since start() at which each request was complete.
    QVector<qint64> requestTimes() const;

private:
    struct Entry
    {
        QByteArray request; // check byte included
        QList<EcuAnswer> answers;
        int used = 0;
    };
    void loop();
    void handle(const QByteArray &frame);
    void play(const QByteArray &frame, const EcuAnswer &answer);
    bool sleepMs(int ms);

    PtyDevice &dev;
    Check check;
    int quietGapMs = 20;
    mutable std::mutex mutex; // not QMutex: visible to ThreadSanitizer
    QList<Entry> entries;
    EcuAnswer fallback;
    QList<QByteArray> seen;
    QVector<qint64> seenAt;
    std::atomic<int> bad{0};
    std::atomic<bool> running{false};
    std::thread worker;
    qint64 startedAt = 0;
};
