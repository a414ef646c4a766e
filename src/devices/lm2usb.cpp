#include "lm2usb.h"

#include "kelvolog.h"
#include "lm2driver.h"

#include <QDir>
#include <QLockFile>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>

namespace {

const char *const Lm2Device = "\\\\.\\IMSLM2-0";
const char *const OtherDevice = "\\\\.\\IMSOT1-0";
const int ReaderParameter = -55;
const int RingSize = 512;
const int ReadChunk = 64;
// How long lm2Close waits for the reader (whose reads return within 100 ms).
const int ReaderEndWaitMs = 1000;

struct Lm2State
{
    // The ring and its positions (the reader writes, the GUI thread reads).
    std::mutex lock;
    unsigned char ring[RingSize] = {};
    int readPos = 0;
    int writePos = 0;
    quint64 generation = 0;  // a reader of an earlier open writes nothing

    // GUI thread only.
    int device = -1;
    std::thread reader;
    std::unique_ptr<QLockFile> inUse;
    // Why the last lm2Open failed.
    const char *openFailure = "";

    std::atomic<bool> running{false};

    // The reader's reports: its device opened (1) or not (-1), its end.
    std::mutex reportMutex;
    std::condition_variable reported;
    int readerOpen = 0;
    bool readerDone = true;

    ~Lm2State()
    {
        // A program that ends with the device open: the reader ends first.
        running = false;
        reported.notify_all();
        if (reader.joinable())
            reader.join();
    }
};

Lm2State &state()
{
    static Lm2State s;
    return s;
}

log4cplus::Logger logger()
{
    return KelvoLog::get("innovatestream");
}

void sendControlPairs(int device)
{
    for (quint32 i = 0; i < 4; ++i) {
        unsigned long returned = 0;
        lm2drvControl(device, LM2_CTL_OPEN_A, &i, sizeof i, nullptr, 0, &returned);
        lm2drvControl(device, LM2_CTL_OPEN_B, &i, sizeof i, nullptr, 0, &returned);
    }
}

// Appends received bytes; a full ring replaces its newest byte.
void store(Lm2State &s, const unsigned char *bytes, unsigned long n)
{
    for (unsigned long i = 0; i < n; ++i) {
        const int next = (s.writePos + 1) % RingSize;
        if (next == s.readPos)
            s.ring[(s.writePos + RingSize - 1) % RingSize] = bytes[i];
        else {
            s.ring[s.writePos] = bytes[i];
            s.writePos = next;
        }
    }
}

void report(Lm2State &s, int open, bool done)
{
    std::lock_guard<std::mutex> guard(s.reportMutex);
    if (open)
        s.readerOpen = open;
    if (done)
        s.readerDone = true;
    s.reported.notify_all();
}

void readerThread(int parameter, quint64 generation)
{
    Lm2State &s = state();
    {
        // The device settles after the control pairs.
        std::unique_lock<std::mutex> guard(s.reportMutex);
        s.reported.wait_for(guard, std::chrono::milliseconds(100), [&s] { return !s.running.load(); });
    }
    const int handle = lm2drvOpen(parameter == ReaderParameter ? Lm2Device : OtherDevice);
    report(s, handle >= 0 ? 1 : -1, false);
    if (handle >= 0) {
        unsigned char buffer[ReadChunk];
        while (s.running) {
            quint32 what = 2;
            unsigned long returned = 0;
            if (!lm2drvControl(handle, LM2_CTL_READ, &what, sizeof what, buffer, sizeof buffer, &returned))
                break;
            std::lock_guard<std::mutex> guard(s.lock);
            if (generation != s.generation)
                break;
            store(s, buffer, qMin<unsigned long>(returned, sizeof buffer));
        }
        lm2drvClose(handle);
    }
    report(s, 0, true);
}

// Waits for the reader's end; false when it did not end in time.
bool waitForReader(Lm2State &s, int timeoutMs)
{
    std::unique_lock<std::mutex> guard(s.reportMutex);
    return s.reported.wait_for(guard, std::chrono::milliseconds(timeoutMs), [&s] { return s.readerDone; });
}

void endReader(Lm2State &s)
{
    s.running = false;
    s.reported.notify_all();
    if (!s.reader.joinable())
        return;
    if (waitForReader(s, ReaderEndWaitMs)) {
        s.reader.join();
        return;
    }
    // A driver call that does not return: the reader is left to end on its
    // own, and writes nothing more into the ring.
    LOG4CPLUS_ERROR(logger(), "LM-2 reader does not end; left behind");
    {
        std::lock_guard<std::mutex> guard(s.lock);
        ++s.generation;
    }
    s.reader.detach();
}

} // namespace

int lm2Open()
{
    Lm2State &s = state();
    if (s.device >= 0) {
        s.openFailure = "in use in this program already";
        return 0;
    }
    auto inUse = std::make_unique<QLockFile>(QDir::temp().filePath(QStringLiteral("LM-2 USB Semaphore.lock")));
    // Only a lock of a process that still runs counts, however old.
    inUse->setStaleLockTime(0);
    if (!inUse->tryLock(0)) {
        LOG4CPLUS_INFO(logger(), "LM-2: in use by another program");
        s.openFailure = "in use by another program";
        return 0;
    }
    const int device = lm2drvOpen(Lm2Device);
    if (device < 0) {
        LOG4CPLUS_INFO(logger(), "LM-2: no device");
        s.openFailure = "no LM-2 found";
        return 0;
    }
    sendControlPairs(device);
    {
        std::lock_guard<std::mutex> guard(s.lock);
        s.readPos = 0;
        s.writePos = 0;
        ++s.generation;
    }
    {
        std::lock_guard<std::mutex> guard(s.reportMutex);
        s.readerOpen = 0;
        s.readerDone = false;
    }
    s.running = true;
    quint64 generation = 0;
    {
        std::lock_guard<std::mutex> guard(s.lock);
        generation = s.generation;
    }
    s.reader = std::thread(readerThread, ReaderParameter, generation);
    bool opened = false;
    {
        std::unique_lock<std::mutex> guard(s.reportMutex);
        s.reported.wait_for(guard, std::chrono::seconds(2), [&s] { return s.readerOpen != 0 || s.readerDone; });
        opened = s.readerOpen == 1;
    }
    if (!opened) {
        LOG4CPLUS_ERROR(logger(), "LM-2: the reader cannot open the device");
        s.openFailure = "the LM-2 cannot be read";
        endReader(s);
        sendControlPairs(device);
        lm2drvClose(device);
        return 0;
    }
    s.device = device;
    s.inUse = std::move(inUse);
    return 1;
}

const char *lm2OpenFailure()
{
    return state().openFailure;
}

bool lm2HasData()
{
    std::this_thread::yield();
    Lm2State &s = state();
    std::lock_guard<std::mutex> guard(s.lock);
    return s.readPos != s.writePos;
}

unsigned char lm2ReadByte()
{
    Lm2State &s = state();
    for (;;) {
        {
            std::lock_guard<std::mutex> guard(s.lock);
            if (s.readPos != s.writePos) {
                const unsigned char b = s.ring[s.readPos];
                s.readPos = (s.readPos + 1) % RingSize;
                return b;
            }
        }
        if (!s.running)
            return 0;
        {
            std::lock_guard<std::mutex> guard(s.reportMutex);
            if (s.readerDone)
                return 0;
        }
        std::this_thread::yield();
    }
}

bool lm2Lost()
{
    Lm2State &s = state();
    if (s.device < 0)
        return false;
    std::lock_guard<std::mutex> guard(s.reportMutex);
    return s.readerDone;
}

void lm2Write(int size, const unsigned char *data)
{
    Lm2State &s = state();
    if (s.device < 0 || size <= 0 || !data)
        return;
    quint32 what = 3;
    unsigned long returned = 0;
    lm2drvControl(s.device, LM2_CTL_WRITE, &what, sizeof what, const_cast<unsigned char *>(data),
                  static_cast<unsigned long>(size), &returned);
}

void lm2Close()
{
    Lm2State &s = state();
    if (s.device < 0)
        return;
    s.running = false;
    sendControlPairs(s.device);
    endReader(s);
    lm2drvClose(s.device);
    s.device = -1;
    s.inUse.reset();
}
