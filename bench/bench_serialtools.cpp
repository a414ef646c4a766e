// How many bytes a second the serial test window and the data sender log
// from a device that writes as fast as it can: a pseudo-terminal whose
// master a thread fills without pause, while the GUI thread runs the
// window. The window must keep up with a 115200-baud line (11,520 bytes/s).
// The test window reads one byte at a time and logs each block on a line
// of its own; the data sender reads up to 1024 bytes at a time.
#include "datasenderwindow.h"
#include "ptydevice.h"
#include "seriaporttestform.h"
#include "serialportpinchecker.h"
#include "settingsdialog.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QTextDocument>
#include <QTextEdit>
#include <benchmark/benchmark.h>

#include <atomic>
#include <functional>
#include <memory>
#include <thread>

namespace {
// Never 0x81, which the test window would answer.
QByteArray pattern(int n)
{
    QByteArray bytes(n, '\0');
    for (int i = 0; i < n; ++i)
        bytes[i] = char((i * 7 + 3) & 0x7F);
    return bytes;
}

// Bytes logged so far, from the growth of the log: every line carries a
// fixed overhead of `perLine` characters plus two hex digits a byte.
struct LogCounter
{
    QTextDocument *doc;
    int perLine;
    int chars0 = 0;
    int blocks0 = 0;
    void mark()
    {
        chars0 = doc->characterCount();
        blocks0 = doc->blockCount();
    }
    qint64 bytes() const
    {
        return (qint64(doc->characterCount() - chars0) - qint64(perLine) * (doc->blockCount() - blocks0)) / 2;
    }
};

// Writes `bytes` from a thread while the GUI thread runs until the log
// holds them all; returns the seconds taken, or -1 when it stalls.
double pump(PtyDevice &dev, const QByteArray &bytes, LogCounter &counter)
{
    std::atomic<bool> ok{true};
    QElapsedTimer timer;
    timer.start();
    std::thread writer([&dev, &bytes, &ok]() { ok = dev.write(bytes); });
    qint64 lastProgress = 0;
    qint64 lastCount = 0;
    while (counter.bytes() < bytes.size()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        const qint64 n = counter.bytes();
        if (n != lastCount) {
            lastCount = n;
            lastProgress = timer.elapsed();
        } else if (timer.elapsed() - lastProgress > 5000) {
            break;
        }
    }
    const double seconds = timer.nsecsElapsed() / 1e9;
    writer.join();
    return ok && counter.bytes() == bytes.size() ? seconds : -1;
}

// One round: a fresh device and window; `open` shows the window, opens the
// slave and returns the log with its overhead per line.
using Opener = std::function<LogCounter(PtyDevice &, std::unique_ptr<QWidget> &)>;

void measure(benchmark::State &state, const Opener &open)
{
    const QByteArray bytes = pattern(int(state.range(0)));
    qint64 total = 0;
    for (auto _ : state) {
        PtyDevice dev;
        std::unique_ptr<QWidget> window;
        LogCounter counter = open(dev, window);
        QCoreApplication::processEvents();
        counter.mark();
        const double seconds = pump(dev, bytes, counter);
        if (seconds < 0) {
            state.SkipWithError("the window did not log every byte");
            return;
        }
        state.SetIterationTime(seconds);
        total += bytes.size();
    }
    state.SetBytesProcessed(total);
    state.counters["logged bytes/s"] = benchmark::Counter(double(total), benchmark::Counter::kIsRate);
}

void BM_TestWindowLogs(benchmark::State &state)
{
    measure(state, [](PtyDevice &dev, std::unique_ptr<QWidget> &window) {
        SerialPortList::Port port;
        port.name = dev.slavePath();
        auto *form = new SeriaPortTestForm(nullptr, SerialPortList([port]() { return QList<SerialPortList::Port>{port}; }));
        window.reset(form);
        form->resize(708, 596);
        form->show();
        SerialPortSettings s;
        s.baudRate = 115200;
        s.dataBits = 8;
        s.stopBits = 1;
        form->settingsDialog()->setPortSettings(s);
        form->settingsDialog()->findChild<QPushButton *>("applyButton")->click();
        form->findChild<QPushButton *>("pushButton")->click();
        // A pseudo-terminal has no pins to show.
        form->pinChecker()->stopLoop();
        // "hh:mm:ss.zzz < " and the line feed.
        return LogCounter{form->findChild<QTextEdit *>("txtReceive")->document(), 16};
    });
}
BENCHMARK(BM_TestWindowLogs)->Arg(16384)->Iterations(3)->UseManualTime()->Unit(benchmark::kMillisecond);

void BM_DataSenderLogs(benchmark::State &state)
{
    measure(state, [](PtyDevice &dev, std::unique_ptr<QWidget> &window) {
        auto *sender = new DataSenderWindow;
        window.reset(sender);
        sender->resize(520, 400);
        sender->show();
        sender->findChild<QLineEdit *>("editComPort")->setText(dev.slavePath());
        sender->findChild<QPushButton *>("btnStart")->click();
        // The two quotes and the paragraph break.
        return LogCounter{sender->findChild<QTextEdit *>("txtOutput")->document(), 3};
    });
}
BENCHMARK(BM_DataSenderLogs)->Arg(262144)->Iterations(3)->UseManualTime()->Unit(benchmark::kMillisecond);
} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
