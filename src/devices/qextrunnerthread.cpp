#include "qextrunnerthread.h"
#include "serialportsetup.h"

#include "extlinecollector.h"
#include "extsourcedatahandler.h"
#include "extsourcefailure.h"
#include "latin1.h"
#include "serialportloss.h"
#include "serialwait.h"
#include "tsanannotate.h"

#include <QDateTime>
#include <QSerialPort>
#include <QThread>

namespace {
// A stop is seen within one slice of a wait.
const int SliceMs = 50;
} // namespace

QExtRunnerThread::QExtRunnerThread(const QString &jobName, ExtSourceDataHandler *dataHandler, bool lineMode)
    : QObject(nullptr)
    , readLine(lineMode)
    , name(jobName)
    , handler(dataHandler)
    , logger(KelvoLog::get("qextrunnerthread"))
{
    LOG4CPLUS_DEBUG(logger, "QExtRunner started");
    LOG4CPLUS_DEBUG_FMT(logger, "QExtRunner creted with jobname:'%s'", KELVO_QS(name));
    worker = new QThread(nullptr);
    worker->setObjectName(QStringLiteral("extRunner ") + name);
    // The runner lives in the worker, so started() calls runLoop there,
    // before the worker's event loop starts.
    connect(worker, &QThread::started, this, &QExtRunnerThread::runLoop);
    moveToThread(worker);
    // Started once the creator is back in its event loop: whoever creates
    // the reader connects its listener first, so that not even an
    // immediate "failed to open port" is emitted to nobody.
    QThread *w = worker;
    QMetaObject::invokeMethod(
        w,
        [this, w] {
            if (!stopRequested)
                w->start(QThread::InheritPriority);
        },
        Qt::QueuedConnection);
}

QExtRunnerThread::~QExtRunnerThread()
{
    LOG4CPLUS_DEBUG(logger, "> ~QExtRunnerThread()");
    stop();
    delete worker;
    LOG4CPLUS_DEBUG(logger, "< ~QExtRunnerThread()");
}

void QExtRunnerThread::setReadLine(bool on)
{
    LOG4CPLUS_DEBUG(logger, "setReadLine");
    readLine = on;
}

void QExtRunnerThread::stop()
{
    stopRequested = true;
    ended = true;
    if (!worker)
        return;
    // A quit before the worker's event loop has started still ends it.
    worker->quit();
    if (QThread::currentThread() == worker)
        return;
    // The loop looks at the flag at least every slice of a wait.
    while (!worker->wait(100))
        LOG4CPLUS_DEBUG(logger, "waiting for QExtRunnerThread to finish");
    // Everything the loop did happens before this point; Qt's wait is not
    // visible to ThreadSanitizer (Debian's Qt is not instrumented).
    KELVO_TSAN_ACQUIRE(this);
}

void QExtRunnerThread::applySettings(QSerialPort &port)
{
    const SerialPortSettings s = handler->serialSettings();
    // A pseudo-terminal refuses some settings; the reader logs and goes on.
    auto refused = [this](const char *what) {
        LOG4CPLUS_WARN_FMT(logger, "port refused the %s setting", what);
    };
    applySerialPortSettings(port, s, refused);
    port.clear();
    port.clearError();
}

void QExtRunnerThread::portFailed(const QString &text)
{
    // Not running from here on, before anyone hears of it.
    ended = true;
    emit jobFinished(ExtSourceFailure::job(name, text), ExtSourceFailure::Result);
}

bool QExtRunnerThread::readBlock(QSerialPort &port, QByteArray &block)
{
    LOG4CPLUS_TRACE(logger, "QExtRunner loop...");
    const SerialWait::Result w = SerialWait::wait(port, WaitMs, stopRequested, SliceMs);
    if (w == SerialWait::Lost) {
        portLost = true;
        return false;
    }
    if (w == SerialWait::Timeout)
        LOG4CPLUS_INFO(logger, "waitForReadyRead timeout");
    if (w != SerialWait::Data)
        return false;
    block = port.read(MaxBlock);
    // A device sends a burst per reading: collect until it pauses, but never
    // longer than a block's time or size, so a gapless stream cannot keep
    // the loop from its stop flag.
    QElapsedTimer t;
    t.start();
    while (block.size() < MaxBlock && t.elapsed() < BlockMs && !stopRequested) {
        if (port.bytesAvailable() == 0) {
            port.clearError();
            if (!port.waitForReadyRead(FollowUpMs)) {
                if (SerialWait::failing(port))
                    portLost = true;
                break;
            }
        }
        block += port.read(MaxBlock - block.size());
    }
    LOG4CPLUS_DEBUG_FMT(logger, "read %d bytes:'%s'", block.size(), block.toHex().constData());
    return !block.isEmpty();
}

bool QExtRunnerThread::readLineInto(QSerialPort &port, ExtLineCollector &lines, QByteArray &line)
{
    while (!stopRequested) {
        if (const int dropped = lines.takeOverlongCount())
            LOG4CPLUS_WARN_FMT(logger, "dropped %d line(s) longer than %d bytes", dropped,
                               int(ExtLineCollector::MaxLine));
        if (lines.takeLine(line))
            return true;
        const SerialWait::Result w = SerialWait::wait(port, WaitMs, stopRequested, SliceMs);
        if (w == SerialWait::Lost) {
            portLost = true;
            return false;
        }
        if (w == SerialWait::Data)
            lines.feed(port.read(MaxBlock));
    }
    // A line still being collected at stop is never handed over.
    return false;
}

void QExtRunnerThread::runLoop()
{
    // Pairs with the acquire in stop(), whichever way the loop ends.
    struct Ended
    {
        QExtRunnerThread *runner;
        ~Ended() { KELVO_TSAN_RELEASE(runner); }
    } loopEnded{this};
    LOG4CPLUS_DEBUG(logger, ">EXtRunnerThread runLoop()");
    if (!handler) {
        LOG4CPLUS_ERROR(logger, "no data handler: nothing to read for");
        ended = true;
        return;
    }
    {
        QSerialPort port;
        port.setPortName(handler->serialSettings().name);
        if (!port.open(QIODevice::ReadWrite)) {
            const QString reason = serialPortOpenError(port);
            LOG4CPLUS_ERROR_FMT(logger, "open port failed: %s: %s", KELVO_QS(port.portName()), KELVO_QS(reason));
            portFailed(ExtSourceFailure::openFailed(handler->serialSettings().name, reason));
            return;
        }
        LOG4CPLUS_DEBUG(logger, "open port OK");
        applySettings(port);
        // Only now: applying the settings flushes what came before, so a
        // byte sent after this point reaches the loop.
        reading = true;

        ExtLineCollector lines;
        bool lineMode = readLine;
        portLost = false;
        while (!stopRequested && !portLost) {
            CJob job;
            cycleTimer.start();
            QByteArray data;
            const bool wantLines = readLine;
            if (wantLines != lineMode) {
                // A new mode starts like a new port: the first line is cut.
                lines.reset();
                lineMode = wantLines;
            }
            const bool got = lineMode ? readLineInto(port, lines, data) : readBlock(port, data);
            if (!got)
                continue;
            bool valid = false;
            handler->onDataReceived(data, job, valid);
            if (valid) {
                LOG4CPLUS_TRACE_FMT(logger, "run time: %d", int(cycleTimer.elapsed()));
                emit jobFinished(job, 0);
            }
        }
        if (portLost) {
            const QString reason = SerialPortLoss::reasonOf(port);
            port.close();
            reading = false;
            LOG4CPLUS_ERROR_FMT(logger, "port lost: %s: %s", KELVO_QS(port.portName()), KELVO_QS(reason));
            portFailed(ExtSourceFailure::lost(reason));
        }
    }
    reading = false;
    ended = true;
    LOG4CPLUS_DEBUG(logger, "<EXtRunnerThread runLoop()");
}
