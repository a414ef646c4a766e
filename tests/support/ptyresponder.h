#pragma once
// A general device on the master side of a PtyDevice, for serial devices
// that are not a diagnostic adapter (wideband controllers, CAN adapters,
// sensor boxes): a thread of its own that hands whatever the program sends
// to a handler, and may stream on its own at a fixed interval.
//
//     PtyDevice dev;
//     PtyResponder device(dev);
//     device.onReceive([](const QByteArray &got, PtyDevice &d) {
//         if (got.contains("V\r")) d.write("V1013\r");     // answer commands
//     });
//     device.every(50, [](PtyDevice &d) { d.write(frame()); });  // stream
//     device.start();
//
// or plays a recorded stream at a device's pace, a few bytes at a time, so
// that frames and lines are cut across the program's reads:
//
//     device.play(frames, 7, 2);   // 7 bytes every 2 ms, over and over
//
// Handlers run in the responder's thread; what they share with the test
// must be guarded (std::mutex or std::atomic). received() keeps everything
// the program sent, in order.
#include "ptydevice.h"

#include <QByteArray>
#include <atomic>
#include <functional>
#include <mutex>
#include <thread>

class PtyResponder
{
public:
    using ReceiveHandler = std::function<void(const QByteArray &received, PtyDevice &device)>;
    using TickHandler = std::function<void(PtyDevice &device)>;

    explicit PtyResponder(PtyDevice &device);
    ~PtyResponder();
    PtyResponder(const PtyResponder &) = delete;
    PtyResponder &operator=(const PtyResponder &) = delete;

    // Set before start().
    void onReceive(ReceiveHandler handler) { receive = std::move(handler); }
    void every(int intervalMs, TickHandler handler);
    // Streams the bytes, bytesPerTick every intervalMs (0: as fast as the
    // pseudo-terminal takes them), from the start again when looping.
    // Takes the place of every(). What the program does not read stays in
    // the terminal's buffer; when that is full the player waits.
    void play(const QByteArray &stream, int bytesPerTick, int intervalMs, bool loop = true);
    // Bytes the player has written so far.
    qint64 bytesPlayed() const { return played.load(); }

    void start();
    void stop();

    QByteArray received() const;
    // Waits (without processing events) until the program has sent at
    // least n bytes in all.
    bool waitForReceived(int n, int timeoutMs) const;

private:
    void loop();

    PtyDevice &dev;
    ReceiveHandler receive;
    TickHandler tick;
    int tickMs = 0;
    bool zeroInterval = false;
    mutable std::mutex mutex;
    QByteArray all;
    std::atomic<bool> running{false};
    std::atomic<qint64> played{0};
    std::thread worker;
};
