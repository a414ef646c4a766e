#pragma once
// The generic reader of a serial device: a worker of its own thread that
// opens the port from its handler's settings, reads blocks (block mode) or
// "\r"-ended lines (line mode), hands them to the handler and announces
// every decoded reading as a finished pseudo job. The thread starts when
// the creating thread's event loop next runs (so the creator connects its
// listener before anything can be emitted) and ends only through stop().
//
// jobFinished carries 0 for a reading; 349 with the error text "failed to
// open port <port>: <reason>" when the port does not open, or
// "port lost: <reason>" when it fails while open (the loop then ends), the
// reason in the system's words. Both failure jobs carry the job name and no
// results.
#include "cjob.h"
#include "kelvolog.h"

#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <atomic>

class ExtLineCollector;
class ExtSourceDataHandler;
class QSerialPort;
class QThread;

class QExtRunnerThread : public QObject
{
    Q_OBJECT
public:
    enum { WaitMs = 500, MaxBlock = 4096, BlockMs = 100, FollowUpMs = 5 };

    // The handler (not owned) must outlive the reader. readLine chooses the
    // mode before the first byte is read. The reader has no parent: it
    // lives in its own thread, and whoever creates it deletes it.
    QExtRunnerThread(const QString &jobName, ExtSourceDataHandler *handler, bool readLine = false);
    ~QExtRunnerThread() override;

    void setReadLine(bool on);
    bool isReadLine() const { return readLine.load(); }
    QString jobName() const { return name; }
    ExtSourceDataHandler *dataHandler() const { return handler; }
    // True while the read loop runs: from the moment the port is open and
    // configured (input sent before then may be flushed) until it ends.
    bool isReading() const { return reading.load(); }
    // True from construction until the loop ends (the port did not open,
    // was lost, or the reader was stopped): a reader that is no longer
    // running reads nothing again.
    Q_INVOKABLE bool isRunning() const { return !ended.load(); }

signals:
    void jobFinished(CJob job, int result);

public slots:
    // Returns once the worker thread has finished; the port is closed then.
    void stop();

protected slots:
    void runLoop();

private:
    bool readBlock(QSerialPort &port, QByteArray &block);
    bool readLineInto(QSerialPort &port, ExtLineCollector &lines, QByteArray &line);
    void applySettings(QSerialPort &port);
    void portFailed(const QString &text);

    std::atomic<bool> readLine{false};
    QString name;
    ExtSourceDataHandler *handler = nullptr;
    std::atomic<bool> stopRequested{false};
    std::atomic<bool> reading{false};
    std::atomic<bool> ended{false};
    log4cplus::Logger logger;
    QThread *worker = nullptr;
    QElapsedTimer cycleTimer;
    bool portLost = false;
};
