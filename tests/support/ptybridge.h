#pragma once
// Two pseudo-terminals joined like a null-modem cable or a virtual port
// pair: what a program writes to one slave path reads on the other, and
// back. Each side is a PtyDevice whose master the bridge copies from in a
// thread of its own, so two programs (or the program and a platform
// stand-in) talk through real serial ports while the test watches.
//
//     PtyDevice a, b;
//     PtyBridge cable(a, b);            // copies from now on
//     // one side opens a.slavePath(), the other b.slavePath()
//
// Bytes keep their order in each direction; what one side does not read
// waits in its terminal, and the bridge waits with it rather than drop.
// The bridge stops when it is destroyed or stopped, or when either device
// is gone. While it runs, neither device may be read, written or unplugged
// by anyone else: cut() pulls both cables safely instead.
#include "ptydevice.h"

#include <QByteArray>
#include <atomic>
#include <mutex>
#include <thread>

class PtyBridge
{
public:
    PtyBridge(PtyDevice &a, PtyDevice &b);
    ~PtyBridge();
    PtyBridge(const PtyBridge &) = delete;
    PtyBridge &operator=(const PtyBridge &) = delete;

    void stop();
    // Stops the bridge and unplugs both devices: programs on either side
    // see their port fail.
    void cut();

    // Everything carried so far, per direction.
    QByteArray aToB() const;
    QByteArray bToA() const;
    // Waits (without processing events) until at least n bytes went each way.
    bool waitForCarried(int aToBBytes, int bToABytes, int timeoutMs) const;

private:
    void loop();

    PtyDevice &a;
    PtyDevice &b;
    mutable std::mutex mutex;
    QByteArray carriedAToB;
    QByteArray carriedBToA;
    std::atomic<bool> running{true};
    std::thread worker;
};
