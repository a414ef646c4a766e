#include "crunner.h"

#include "ecudataresponse.h"
#include "ediabasapi.h"
#include "ediabasjobsimulation.h"
#include "ediabassessionlock.h"
#include "kelvosettings.h"
#include "latin1.h"
#include "serialportsetup.h"
#include "translationmgr.h"
#include "tsanannotate.h"

#include <QCoreApplication>
#include <QDebug>
#include <QThread>
#include <algorithm>
#include <chrono>
#include <limits>
#include <string>
#include <utility>
#include <vector>

namespace {
// The process-wide EDIABAS session, shared by every runner (the main one and
// the job tool's): it is initialised once and ended by the last runner that
// leaves it, so one runner never replaces the handle or ends EDIABAS under
// another. The session lock is taken first; sessionMutex only guards the
// two counters below for a moment and is never held while waiting.
std::mutex sessionMutex;
bool sessionUp = false;
int sessionUsers = 0;
// Callers of endEdiabas() waiting for the session lock: busy waits give up.
std::atomic<int> endPending{0};

bool isSessionUp()
{
    std::lock_guard<std::mutex> lock(sessionMutex);
    return sessionUp;
}

void setSessionUp(bool up)
{
    std::lock_guard<std::mutex> lock(sessionMutex);
    sessionUp = up;
}

// Why the last apiInit failed (code 0: it did not fail). The runtime
// forgets it at the next call on the missing session, which then only says
// that there is no handle; the jobs that run without a session report this
// instead, since it names what the user has to mend.
int initFailureCode = 0;
std::string initFailureText;

void setInitFailure(int code, const std::string &text)
{
    std::lock_guard<std::mutex> lock(sessionMutex);
    initFailureCode = code;
    initFailureText = text;
}

// The failure of the last start while no session is up; code 0 otherwise.
std::pair<int, std::string> pendingInitFailure()
{
    std::lock_guard<std::mutex> lock(sessionMutex);
    if (sessionUp)
        return {0, std::string()};
    return {initFailureCode, initFailureText};
}

// apiInit unless the session is up; the caller holds the session lock.
bool startSession()
{
    if (isSessionUp())
        return true;
    const bool ok = apiInit() != 0;
    if (ok) {
        qDebug() << "apiInit OK";
        apiSetConfig("IfhTrace", "0");
        apiSetConfig("ApiTrace", "0");
        setInitFailure(0, std::string());
    } else {
        const char *text = apiErrorText();
        const std::string reason = text ? text : "";
        int code = apiErrorCode();
        if (code == 0)
            code = -1; // a failure all the same
        LOG4CPLUS_ERROR_FMT(KelvoLog::get("runner"), "apiInit not OK: error %d: %s", code, reason.c_str());
        qWarning("apiInit not OK: error %d: %s", code, reason.c_str());
        setInitFailure(code, reason);
    }
    setSessionUp(ok);
    return ok;
}

// A binary result as upper-case hex, cut to what the text value holds.
QByteArray binaryAsHex(const unsigned char *bytes, int len)
{
    const int maxBytes = (CJobResult::TextCapacity - 1) / 2;
    return QByteArray(reinterpret_cast<const char *>(bytes), qMin(len, maxBytes)).toHex().toUpper();
}

// The value of a result through the getter of its type.
template <typename T>
T typedValue(int (*getter)(T *, const char *, unsigned short), const char *name)
{
    T v = 0;
    getter(&v, name, 1);
    return v;
}

// Every whole-number format carries its value in the typed getter's answer;
// realValue holds it too, so that formulas and whatever reads the value as a
// number see it whatever the width. intValue and longValue take it where it
// fits their width.
void readNumericValue(CJobResult &r, const char *name, int format)
{
    double v = 0;
    switch (format) {
    case 0: v = static_cast<signed char>(typedValue(apiResultChar, name)); break;
    case 1: v = typedValue(apiResultByte, name); break;
    case 2: v = typedValue(apiResultInt, name); break;
    case 3: v = typedValue(apiResultWord, name); break;
    case 4: v = typedValue(apiResultLong, name); break;
    case 5: v = typedValue(apiResultDWord, name); break;
    default: return;
    }
    r.realValue = v;
    if (format <= 2)
        r.intValue = qint16(v);
    else if (format <= 4)
        r.longValue = qint32(v);
}

const char *typeNameOf(int format)
{
    static const char *const names[] = {"char", "byte", "integer", "word", "long",
                                        "dword", "text", "binary", "real"};
    return (format >= 0 && format <= 8) ? names[format] : "";
}
} // namespace

CRunner::CRunner(QObject *parent)
    : QObject(parent)
    , logger(KelvoLog::get("runner"))
    , serialLogger(KelvoLog::get("serial"))
    , simulation(std::make_unique<EdiabasJobSimulation>(nullptr))
{
    qRegisterMetaType<QSerialPort::SerialPortError>("QSerialPort::SerialPortError");
    dataSolver.loadTables();
    customExpressions.loadConfig();
    translator = TranslationMgr::instance();

    pauseAfter = pauseSetting("serial/pause_after");
    pauseBefore = pauseSetting("serial/pause_before");
    pauseRead = pauseSetting("serial/pause_read");
    sleepAfterEdiabasJob = pauseSetting("ediabas/pause_after_job");
    {
        auto settings = KelvoSettings::open();
        syncWrite = settings->value("serial/syncwrite", false).toBool();
        waitBusy = settings->value("serial/waitbusy", false).toBool();
    }
    // A value that is no number (a blank) is no 0: the default holds.
    clearMwBlock = KelvoSettings::intValue(QStringLiteral("customjob/clear_mw_block"), 1,
                                           std::numeric_limits<int>::min(), std::numeric_limits<int>::max()) != 0;
    LOG4CPLUS_INFO_FMT(logger, "sleepAfterEdiabasJob :%u", sleepAfterEdiabasJob);
    // A setting, not a fault: errors reach the terminal.
    if (syncWrite)
        LOG4CPLUS_INFO(logger, "syncwrite active");
    else
        LOG4CPLUS_INFO(logger, "syncwrite NOT active");
}

CRunner::~CRunner()
{
    // An owner in another thread may hand this runner over through Qt's
    // event queue (deleteLater), which ThreadSanitizer cannot see.
    KELVO_TSAN_ACQUIRE(this);
    LOG4CPLUS_DEBUG(logger, "> ~CRUNNER");
    releaseEdiabas();
    closePort();
    {
        std::lock_guard<std::mutex> lock(runCountMutex);
        runCounts.clear();
    }
    // A stop() from another thread (the job tool's window, before it hands
    // the runner to deleteLater) is over before the wait condition goes.
    { std::lock_guard<std::mutex> lock(stopMutex); }
    LOG4CPLUS_DEBUG(logger, "< ~CRUNNER");
}

unsigned CRunner::pauseSetting(const char *key) const
{
    // A "-1" in the file must not become a pause of 49 days, nor a slip of
    // the finger a pause of minutes; the user learns what was used instead.
    QString replaced;
    const int used = KelvoSettings::intValue(QString::fromLatin1(key), 0, 0, MaxPause, &replaced);
    if (!replaced.isNull())
        LOG4CPLUS_WARN_FMT(logger, "kelvo.ini %s: read '%s', used %d ms (0 to %d ms)", key, KELVO_QS(replaced), used,
                           int(MaxPause));
    return unsigned(used);
}

qint64 CRunner::now()
{
    return QDateTime::currentMSecsSinceEpoch();
}

bool CRunner::initEdiabas()
{
    EdiabasSessionLock session;
    if (!session.isLocked())
        return false;
    if (isSessionUp()) {
        // Someone may have ended EDIABAS with apiEnd behind this count:
        // EDIABAS then answers "not initialised" (126 or 133).
        apiState();
        const int code = apiErrorCode();
        if (code != 126 && code != 133)
            return true;
        setSessionUp(false);
    }
    return startSession();
}

void CRunner::endEdiabas()
{
    ++endPending;
    EdiabasSessionLock session;
    --endPending;
    if (!session.isLocked())
        return;
    apiEnd();
    setSessionUp(false);
    // Ended on purpose: jobs now fail for that reason, not an older one.
    setInitFailure(0, std::string());
}

bool CRunner::ediabasActive()
{
    return isSessionUp();
}

int CRunner::ediabasUsers()
{
    std::lock_guard<std::mutex> lock(sessionMutex);
    return sessionUsers;
}

void CRunner::acquireEdiabas()
{
    if (apiInitDone)
        return;
    LOG4CPLUS_DEBUG(logger, "apiinitdone == false");
    {
        EdiabasSessionLock session;
        {
            std::lock_guard<std::mutex> lock(sessionMutex);
            ++sessionUsers;
        }
        if (session.isLocked())
            startSession();
    }
    pause(20);
    // A failed initialisation is not reported here: the job runs and its
    // error code and text come from EDIABAS.
    apiInitDone = true;
    apiEnded = false;
}

void CRunner::releaseEdiabas()
{
    if (!apiInitDone)
        return;
    apiInitDone = false;
    EdiabasSessionLock session;
    bool last;
    {
        std::lock_guard<std::mutex> lock(sessionMutex);
        sessionUsers = qMax(0, sessionUsers - 1);
        last = sessionUsers == 0 && sessionUp;
    }
    if (last && session.isLocked()) {
        LOG4CPLUS_DEBUG(logger, ">endapi");
        apiEnd();
        setSessionUp(false);
        LOG4CPLUS_DEBUG(logger, "<endapi");
    }
}

bool CRunner::isFastSerialEcu(const std::string &ecuName)
{
    return EcuMsg::isFastSerialEcu(ecuName);
}

int CRunner::sumCheckByte(const QByteArray &request)
{
    return EcuMsg::sumCheckSum(request);
}

void CRunner::stop()
{
    qDebug() << "runner::stop";
    std::lock_guard<std::mutex> lock(stopMutex);
    stopRequested = true;
    stopCondition.notify_all();
}

void CRunner::pause(unsigned ms)
{
    if (ms == 0)
        return;
    std::unique_lock<std::mutex> lock(stopMutex);
    stopCondition.wait_for(lock, std::chrono::milliseconds(ms), [this] { return stopRequested.load(); });
}

void CRunner::startTimer()
{
    runTimer.start();
    loopStart = QDateTime::currentDateTimeUtc();
}

void CRunner::setPauseAfter(int time)
{
    pauseAfter = unsigned(qBound(0, time, int(MaxPause)));
}

void CRunner::error(QSerialPort::SerialPortError err)
{
    LOG4CPLUS_WARN_FMT(serialLogger, "error: %d", int(err));
}

void CRunner::onJobQueueStatusChanged(JobQueue::Event, CJob job)
{
    qDebug() << " runner queue status changed";
    std::lock_guard<std::mutex> lock(runCountMutex);
    for (int i = runCounts.size() - 1; i >= 0; --i) {
        if (runCounts[i].job() == job)
            runCounts.removeAt(i);
    }
}

int CRunner::runJob(CJob &job)
{
    return runJob(job, false);
}

int CRunner::runJob(CJob &job, bool)
{
    job.clearResults();
    runStart = QDateTime::currentDateTimeUtc();
    LOG4CPLUS_DEBUG(logger, ">runjob");
    if (simulationMode)
        return runSimulation(job);
    if (job.hasTelegram())
        return runSerial(job);
    return runEdiabas(job);
}

std::string CRunner::translatedName(const std::string &name) const
{
    if (!translator)
        return name;
    return translator->resultText(name);
}

void CRunner::translateResults(CJob &job)
{
    // In place: copying each result out and back costs about 2 KB per
    // result and job.
    for (CJobResult &r : job.results)
        r.displayName = translatedName(r.name);
}

int CRunner::runSimulation(CJob &job)
{
    LOG4CPLUS_DEBUG(logger, "simulationmode");
    LOG4CPLUS_DEBUG(logger, "> getJob");
    simulation->getJob(job);
    LOG4CPLUS_DEBUG(logger, "< getJob");
    rewriteBlockArguments(job);

    runTimer.start();
    QElapsedTimer slept;
    slept.start();
    pause(qMax(sleepAfterEdiabasJob, minSimulationPause.load()));
    job.timeStamp += slept.elapsed();

    customExpressions.applyExpressions(job);
    applyResultAliases(job);
    translateResults(job);

    LOG4CPLUS_DEBUG(logger, "return job");
    job.duration = runTimer.elapsed();
    emit jobFinished(job, 0);
    return 0;
}

void CRunner::rewriteBlockArguments(CJob &job)
{
    if (!clearMwBlock)
        return;
    int count = -1;
    {
        std::lock_guard<std::mutex> lock(runCountMutex);
        for (JobRunCounter &c : runCounts) {
            if (c.job() == job) {
                count = c.count();
                if (count <= 2)
                    c.setCount(count + 1);
                break;
            }
        }
        if (count < 0)
            runCounts.append(JobRunCounter(job, 1));
    }
    if (count < 3)
        return;
    std::string &args = job.arguments;
    if (job.jobName == "STATUS_MESSWERTBLOCK_LESEN") {
        if (args.size() >= 2 && args[0] == '3' && args[1] == ';')
            args[0] = '2';
    } else if (job.jobName == "STATUS_BLOCK_LESEN") {
        if (args.size() >= 6 && args.compare(2, 2, "JA") == 0)
            args.replace(2, 2, "NEIN");
    }
}

void CRunner::applyResultAliases(CJob &job)
{
    if (job.resultAliases.empty())
        return;
    const QStringList parts = Latin1::toQString(job.resultAliases).split(QLatin1Char(';'), Qt::SkipEmptyParts);
    for (const QString &part : parts) {
        const QStringList names = part.split(QLatin1Char('='), Qt::SkipEmptyParts);
        // A part with one name only has nothing to rename to.
        if (names.size() < 2)
            continue;
        const std::string oldName = Latin1::toStd(names.at(0));
        const std::string newName = Latin1::toStd(names.at(1));
        for (int i = 0; i < job.getResultCount(); ++i) {
            if (job.resultAt(i).name == oldName) {
                qDebug() << "name:" << names.at(0) << " found !";
                CJobResult r = job.getResult(i);
                r.name = newName;
                job.setResult(r, i);
            }
        }
    }
}

int CRunner::runEdiabas(CJob &job)
{
    LOG4CPLUS_DEBUG(logger, "EDIABAS JOB");
    runTimer.start();
    if (serialMode) {
        LOG4CPLUS_DEBUG(logger, "serialmode true");
        if (port && port->isOpen()) {
            LOG4CPLUS_DEBUG(logger, "close serialport");
            port->close();
        }
        serialMode = false;
    } else {
        LOG4CPLUS_DEBUG(logger, "serialmode false");
    }
    acquireEdiabas();

    LOG4CPLUS_DEBUG(logger, ">apijob");
    rewriteBlockArguments(job);

    // A "Stop EDIABAS" waiting for the session goes before the next job:
    // the lock is not handed over in turn, and jobs that follow each other
    // closely could keep running, and succeeding, ahead of the stop. (A job
    // of the GUI thread does not wait: the stop waits in that thread too.)
    const bool inGuiThread = qApp && QThread::currentThread() == qApp->thread();
    while (endPending.load() > 0 && !stopRequested && !inGuiThread)
        QThread::msleep(1);

    int code = 0;
    {
        // One job transaction, from apiJob to the error text, is never
        // interleaved with another thread's EDIABAS calls.
        EdiabasSessionLock session;
        if (!session.isLocked()) {
            // Only a caller in the GUI thread, re-entered from event
            // processing during another job, is refused.
            job.errorText = "EDIABAS is busy with another job";
            code = -1;
            job.duration = runTimer.elapsed();
            job.timeStamp = now();
            session.unlock();
            emit jobFinished(job, code);
            return code;
        }
        if (!job.arguments.empty()) {
            LOG4CPLUS_INFO_FMT(logger, "run apijob:'%s:%s' with argument:'%s'", job.ecuName.c_str(),
                               job.jobName.c_str(), job.arguments.c_str());
            apiJob(job.ecuName.c_str(), job.jobName.c_str(), job.arguments.c_str(), "");
        } else {
            LOG4CPLUS_INFO_FMT(logger, "run apijob:'%s'", job.jobName.c_str());
            apiJob(job.ecuName.c_str(), job.jobName.c_str(), "", "");
        }
        LOG4CPLUS_INFO(logger, "after apijob");
        int state = apiState();
        LOG4CPLUS_DEBUG_FMT(logger, "state:%d", state);
        if (waitBusy) {
            // A "Stop EDIABAS" waiting for the session lock ends the wait
            // too: apiEnd then breaks the job.
            while (state == 0 && !stopRequested && endPending == 0) {
                LOG4CPLUS_TRACE(logger, " APIBUSY ");
                state = apiState();
                QThread::msleep(1);
            }
        }
        if (sleepAfterEdiabasJob != 0) {
            LOG4CPLUS_INFO_FMT(logger, "sleeping for %u", sleepAfterEdiabasJob);
            pause(sleepAfterEdiabasJob);
        } else {
            LOG4CPLUS_INFO_FMT(logger, "NOT sleeping for %u", sleepAfterEdiabasJob);
        }
        LOG4CPLUS_DEBUG_FMT(logger, "<apijob,apiState=%d", apiState());

        job.duration = runTimer.elapsed();
        runStart = QDateTime::currentDateTimeUtc();
        job.timeStamp = now();

        LOG4CPLUS_DEBUG(logger, "before apiResultNumber");
        unsigned short count = 0;
        apiResultNumber(&count, 1);
        LOG4CPLUS_DEBUG_FMT(logger, "start looping results:%d", int(count));
        std::vector<unsigned char> binary(APIMAXBINARY);
        for (int i = 1; i <= int(count); ++i) {
            char name[1024] = {0};
            char text[1024] = {0};
            int format = -1;
            apiResultName(name, static_cast<unsigned short>(i), 1);
            name[sizeof name - 1] = '\0';
            apiResultText(text, name, 1, "");
            text[sizeof text - 1] = '\0';
            apiResultFormat(&format, name, 1);

            CJobResult r;
            r.name = name;
            r.displayName = translatedName(r.name);
            r.setTextValue(text);
            r.format = format;
            r.typeName = typeNameOf(format);
            readNumericValue(r, name, format);
            if (format == 8) {
                double v = 0;
                apiResultReal(&v, name, 1);
                r.realValue = v;
            } else if (format == 7) {
                unsigned short len = 0;
                if (apiResultBinary(binary.data(), &len, name, 1))
                    r.setTextValue(binaryAsHex(binary.data(), int(len)).constData());
                else
                    r.setTextValue("");
            }
            job.addResult(r);
        }
        applyResultAliases(job);

        code = apiErrorCode();
        const int again = apiErrorCode();
        LOG4CPLUS_DEBUG_FMT(logger, "apiErrorCode()==%d,%d", code, again);
        const char *errTxt = apiErrorText();
        LOG4CPLUS_DEBUG_FMT(logger, "apiErrorText: '%s'", errTxt ? errTxt : "");
        if (errTxt)
            job.errorText = errTxt;
        else
            LOG4CPLUS_DEBUG(logger, "errTxt == NULL");
        if (code != 0) {
            const std::pair<int, std::string> initFailure = pendingInitFailure();
            if (initFailure.first != 0) {
                code = initFailure.first;
                job.errorText = "EDIABAS did not start: " + initFailure.second;
            }
        }
    }
    customExpressions.applyExpressions(job);
    LOG4CPLUS_DEBUG(logger, "<runjob");
    emit jobFinished(job, code);
    return code;
}

bool CRunner::openPort(bool fast)
{
    LOG4CPLUS_DEBUG(serialLogger, ">openPort");
    if (!port) {
        // Created here, in the thread that runs the serial jobs, so that it
        // belongs to that thread.
        port = std::make_unique<QSerialPort>();
        connect(port.get(), &QSerialPort::errorOccurred, this, &CRunner::error, Qt::DirectConnection);
    }
    {
        auto settings = KelvoSettings::open();
        portName = settings->value("serial/port").toString();
    }
    // QSerialPort answers "ttyUSB0" for "/dev/ttyUSB0"; messages show the
    // name as the user wrote it.
    port->setPortName(portName);
    if (!port->open(QIODevice::ReadWrite)) {
        LOG4CPLUS_DEBUG(serialLogger, "<openPort");
        return false;
    }
    port->flush();
    // A pseudo-terminal or a plain cable may refuse parity or the modem
    // lines; the setters' answers are logged and otherwise ignored.
    bool ok = port->setBaudRate(fast ? 115200 : 9600);
    ok = port->setDataBits(QSerialPort::Data8) && ok;
    ok = port->setParity(fast ? QSerialPort::NoParity : QSerialPort::EvenParity) && ok;
    ok = port->setStopBits(QSerialPort::OneStop) && ok;
    ok = port->setFlowControl(QSerialPort::NoFlowControl) && ok;
    if (!ok)
        LOG4CPLUS_DEBUG(serialLogger, "a port setting was refused");
    if (!port->setRequestToSend(false) || !port->setDataTerminalReady(false))
        LOG4CPLUS_DEBUG(serialLogger, "RTS/DTR refused by the port");
    port->clearError();
    LOG4CPLUS_DEBUG(serialLogger, "<openPort");
    return true;
}

void CRunner::closePort()
{
    if (port) {
        if (port->isOpen())
            port->close();
        port.reset();
    }
    serialMode = false;
}

int CRunner::runSerial(CJob &job)
{
    LOG4CPLUS_DEBUG(logger, "telegram");
    runTimer.start();
    LOG4CPLUS_DEBUG(logger, "after timer.start");
    job.readWaitTime = 0;
    pause(pauseBefore);
    readTimedOut = false;

    if (!serialMode) {
        LOG4CPLUS_DEBUG(logger, "not serialmode");
        if (!apiEnded) {
            releaseEdiabas();
            apiEnded = true;
        }
        apiInitDone = false;
        LOG4CPLUS_DEBUG(logger, "before close");
        if (port)
            port->close();
        LOG4CPLUS_DEBUG(logger, "try to open port");
        const bool opened = openPort(isFastSerialEcu(job.ecuName));
        LOG4CPLUS_DEBUG_FMT(serialLogger, "serial port %s open:%d", KELVO_QS(portName), int(opened));
        if (!opened) {
            LOG4CPLUS_WARN(serialLogger, "Serial port open failed!");
            runStart = QDateTime::currentDateTimeUtc();
            job.timeStamp = now();
            job.duration = runTimer.elapsed();
            // The plot window's status line says why, in the system's words.
            const QString reason = port ? serialPortOpenError(*port) : QStringLiteral("unknown error");
            LOG4CPLUS_WARN_FMT(serialLogger, "port %s: %s", KELVO_QS(portName), KELVO_QS(reason));
            job.errorText = "Failed to open port " + Latin1::toStd(portName) + ": " + Latin1::toStd(reason);
            return PortOpenFailed;
        }
        serialMode = true;
        apiInitDone = false;
    }

    std::transform(job.ecuName.begin(), job.ecuName.end(), job.ecuName.begin(),
                   [](char c) { return (c >= 'a' && c <= 'z') ? char(c - 'a' + 'A') : c; });
    const bool fast = isFastSerialEcu(job.ecuName);
    const QByteArray request = EcuMsg::buildRequest(job.ecuName, job.telegram);
    if (request.isEmpty()) {
        // A telegram without a single hex digit: nothing to send.
        job.duration = runTimer.elapsed();
        runStart = QDateTime::currentDateTimeUtc();
        job.timeStamp = now();
        job.errorText = "Message error";
        return SerialFailed;
    }
    ecuMsg.clear();
    ecuMsg.setTelegram(request);

    // Bytes that arrived since the last job (a late reply, line noise)
    // would be taken for the echo of this one.
    port->clear(QSerialPort::Input);
    const qint64 written = port->write(request);
    LOG4CPLUS_DEBUG_FMT(serialLogger, "written %d bytes", int(written));
    if (syncWrite) {
        LOG4CPLUS_DEBUG(serialLogger, "syncwrite active");
        bool waited = true;
        while (port->bytesToWrite() > 0 && waited) {
            waited = port->waitForBytesWritten(5);
            LOG4CPLUS_TRACE(serialLogger, "in write:");
        }
    }

    qint64 readWait = 0;
    const int requestLength = request.size();
    // A stop reads as a time-out. A line that never falls quiet (a device
    // that streams, line noise) ends the chunk after firstWaitMs: waiting
    // for a gap that never comes would hang the runner and its shutdown.
    auto readChunk = [this, &readWait](int firstWaitMs, QElapsedTimer &watch) -> QByteArray {
        watch.start();
        if (stopRequested || !port->waitForReadyRead(firstWaitMs))
            return QByteArray();
        readWait = watch.elapsed();
        QByteArray chunk = port->readAll();
        QElapsedTimer collecting;
        collecting.start();
        while (!stopRequested && collecting.elapsed() < firstWaitMs && port->waitForReadyRead(20))
            chunk += port->readAll();
        return chunk;
    };

    // A reply needs at least three bytes (address or header, length or
    // target, check byte) after the full echo before it is decoded.
    const int minimumLength = requestLength + 3;
    bool malformed = false;
    if (fast) {
        // What came, echo included, to tell when the reply is complete:
        // when its header gives the length, the whole reply is awaited.
        QByteArray received;
        auto complete = [&received, requestLength, minimumLength]() {
            if (received.size() < minimumLength)
                return false;
            const quint8 format = quint8(received.at(requestLength));
            if ((format & 0xC0) == 0x80 && (format & 0x3F) != 0)
                return received.size() >= requestLength + 3 + (format & 0x3F) + 1;
            return true;
        };
        while (!complete() && !readTimedOut) {
            LOG4CPLUS_DEBUG_FMT(serialLogger, "D73 waitForReadyRead 1,msg len:%d", ecuMsg.bufferLength());
            QElapsedTimer watch;
            QByteArray chunk = readChunk(500, watch);
            if (!chunk.isEmpty()) {
                LOG4CPLUS_DEBUG_FMT(serialLogger, "D73 read %d bytes:'%s'", chunk.size(),
                                    chunk.toHex().constData());
                received += chunk;
                ecuMsg.addData(chunk);
            } else {
                LOG4CPLUS_INFO(serialLogger, "D73 waitForReadyRead timeout");
                readTimedOut = true;
            }
        }
        pause(pauseRead);
        // Their sum check byte is not judged, the echo is.
        if (received.size() >= requestLength && !received.startsWith(request))
            ecuMsg.setStatus(0);
        else if (received.size() >= minimumLength)
            ecuMsg.setStatus(1);
        else
            readTimedOut = true;
    } else {
        while (ecuMsg.status() == 3 && !readTimedOut) {
            LOG4CPLUS_DEBUG(serialLogger, "waitForReadyRead 1");
            QElapsedTimer watch;
            QByteArray chunk = readChunk(1000, watch);
            if (!chunk.isEmpty()) {
                LOG4CPLUS_DEBUG_FMT(serialLogger, "read %d bytes:'%s'", chunk.size(), chunk.toHex().constData());
                ecuMsg.addData(chunk);
                if (ecuMsg.hasError() || ecuMsg.status() == 1)
                    break;
            } else {
                LOG4CPLUS_INFO(serialLogger, "waitForReadyRead timeout");
                readTimedOut = true;
            }
            pause(pauseRead);
        }
        if (ecuMsg.status() == 1 && ecuMsg.bufferLength() < minimumLength)
            malformed = true;
    }
    LOG4CPLUS_DEBUG_FMT(serialLogger, "msg state=%d", ecuMsg.status());

    if (written < 0 || port->error() == QSerialPort::ResourceError) {
        // The adapter is gone (unplugged): the next serial job opens the
        // port anew and says so when it cannot.
        LOG4CPLUS_WARN_FMT(serialLogger, "port %s lost: %s", KELVO_QS(portName), KELVO_QS(port->errorString()));
        port->close();
        serialMode = false;
    }

    job.duration = runTimer.elapsed();
    const unsigned after = pauseAfter;
    if (after != 0)
        pause(after);
    runStart = QDateTime::currentDateTimeUtc();
    job.timeStamp = now();
    job.readWaitTime = readWait;

    if (ecuMsg.hasError() || malformed) {
        LOG4CPLUS_DEBUG(logger, "msg hasErrors true");
        job.errorText = "Message error";
        return SerialFailed;
    }
    if (!readTimedOut) {
        EcuDataResponse response;
        response.setData(ecuMsg.message());
        dataSolver.fillJobResults(job, response);
        customExpressions.applyExpressions(job);
        LOG4CPLUS_DEBUG(logger, "<runjob");
        return 0;
    }
    job.errorText = "Timeout error";
    return SerialFailed;
}
