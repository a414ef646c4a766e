#pragma once
// Runs one job at a time and fills it with results: in simulation, as a raw
// telegram on the serial cable, or through EDIABAS. Stamps each run with its
// time and duration, applies the custom expressions and, on the simulation
// and EDIABAS ways, the result aliases and the translated result names.
//
// runJob runs in the caller's thread (the runner thread, or the job tool's
// thread). The serial port is created and used only in that thread.
// stop() and onJobQueueStatusChanged() may be called from any thread.
#include "cjob.h"
#include "customexpressionseditor.h"
#include "ecudatasolver.h"
#include "ecumsg.h"
#include "jobqueue.h"
#include "jobruncounter.h"
#include "kelvolog.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QSerialPort>
#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>

class EdiabasJobSimulation;
class TranslationMgr;

class CRunner : public QObject
{
    Q_OBJECT
public:
    // Result codes of runJob besides 0 and the EDIABAS error codes.
    enum { PortOpenFailed = 349, SerialFailed = 119 };
    // Longest pause read from "kelvo.ini", in ms.
    enum { MaxPause = 10000 };
    // Pause that every simulated job takes at least, in ms, so that the
    // simulation cannot flood the windows with finished jobs.
    enum { DefaultMinSimulationPause = 5 };

    explicit CRunner(QObject *parent = nullptr);
    ~CRunner() override;

    void setSimulation(bool on) { simulationMode = on; }
    bool isSimulation() const { return simulationMode; }
    void setMinSimulationPause(unsigned ms) { minSimulationPause = ms; }

    // Initialises EDIABAS unless it is already up; sets "IfhTrace" and
    // "ApiTrace" to "0". Returns whether EDIABAS is up.
    static bool initEdiabas();
    // Ends EDIABAS now, for the "Stop EDIABAS" action: a job that some
    // runner waits on while it is busy is given up first, then apiEnd breaks
    // it. Runners keep their share: their jobs fail until initEdiabas()
    // ("Start EDIABAS") starts EDIABAS again.
    static void endEdiabas();
    // Whether an EDIABAS session is up, and how many runners use it.
    static bool ediabasActive();
    static int ediabasUsers();

    // The fast serial ECUs ("D73N57C0_SERIAL", "MRMA24_SERIAL", in any letter
    // case, since the request is built from the upper-cased name): 115200 8N1,
    // a length header and a sum check byte.
    static bool isFastSerialEcu(const std::string &ecuName);
    // Their check byte: the low 8 bits of the sum of the request's bytes,
    // as the request is built (EcuMsg).
    static int sumCheckByte(const QByteArray &request);

    // Ends a busy wait and any pause at once; later ones end at once too.
    void stop();
    void startTimer();
    // Closes and drops the serial port; call it in the thread that ran the
    // serial jobs, before that thread ends.
    void closePort();

    bool isSerialMode() const { return serialMode; }
    bool holdsEdiabas() const { return apiInitDone; }

public slots:
    int runJob(CJob &job, bool waitForBusy);
    int runJob(CJob &job);
    void setPauseAfter(int time);
    void error(QSerialPort::SerialPortError error);
    void onJobQueueStatusChanged(JobQueue::Event ev, CJob job);

signals:
    void jobFinished(const CJob &job, int result);

protected:
    bool openPort(bool fast);

private:
    int runSimulation(CJob &job);
    int runSerial(CJob &job);
    int runEdiabas(CJob &job);
    void rewriteBlockArguments(CJob &job);
    void applyResultAliases(CJob &job);
    void translateResults(CJob &job);
    std::string translatedName(const std::string &name) const;
    // Takes this runner's share of the process-wide EDIABAS session, and
    // gives it back; only the last share to go ends EDIABAS.
    void acquireEdiabas();
    void releaseEdiabas();
    static qint64 now();
    // Sleeps ms, or less when stop() comes: shutting down never waits
    // out a configured pause.
    void pause(unsigned ms);
    unsigned pauseSetting(const char *key) const;

    std::atomic<bool> simulationMode{false};
    bool serialMode = false;
    // In UTC: the local time zone is never consulted from two runner
    // threads at once.
    QDateTime loopStart;
    QDateTime runStart;
    QElapsedTimer runTimer;
    log4cplus::Logger logger;
    log4cplus::Logger serialLogger;
    std::unique_ptr<EdiabasJobSimulation> simulation;
    std::unique_ptr<QSerialPort> port;
    QString portName; // "serial/port" as read at the last opening
    EcuDataSolver dataSolver;
    EcuMsg ecuMsg;
    bool readTimedOut = false;
    std::atomic<unsigned> pauseAfter{0};
    unsigned pauseBefore = 0;
    unsigned pauseRead = 0;
    bool apiInitDone = false;
    bool apiEnded = false;
    bool syncWrite = false;
    bool waitBusy = false;
    bool clearMwBlock = true;
    unsigned sleepAfterEdiabasJob = 0;
    std::atomic<unsigned> minSimulationPause{DefaultMinSimulationPause};
    CustomExpressionsEditor customExpressions;
    std::atomic<bool> stopRequested{false};
    std::mutex stopMutex;
    std::condition_variable stopCondition;
    // Touched by runJob in the runner thread and by the queue's change
    // signal in the thread that changed the queue.
    std::mutex runCountMutex;
    QList<JobRunCounter> runCounts;
    TranslationMgr *translator = nullptr;
};
