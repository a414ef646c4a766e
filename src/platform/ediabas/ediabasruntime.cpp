// The stand-in EDIABAS runtime: sessions, jobs answered from a script (or
// built-in answers), result getters, configuration, the interface trace
// file, the call log and the overlap detector.
#include "api32.h"
#include "ediabasscript.h"
#include "ediabasserial.h"
#include "ediabasstandin.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QThread>

#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <map>
#include <mutex>
#include <thread>

namespace EdiabasStandIn {
namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

// A long program run keeps only the latest calls and overlaps.
const int MaxLogRecords = 50000;
const int MaxOverlaps = 10000;

struct Job
{
    bool active = false;
    QString ecu;
    QString job;
    QString args;
    QString variant;
    Response resp;
    ResultSet set0;
    Clock::time_point start;
    bool broken = false;
    bool settled = false;
    // The telegram exchange on the interface port, while one runs.
    std::shared_ptr<SerialExchange> serial;
};

struct Session
{
    unsigned int handle = 0;  // 0: no session
    Job job;
    std::map<unsigned int, Job> saved;
    unsigned int nextResults = 1;
    QHash<QString, QString> config;  // keyed by the upper-cased name
    int errorCode = 0;
    QString errorText;
};

struct PendingTrace
{
    Clock::time_point due;
    QString path;
    QByteArray bytes;
};

void appendFile(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    if (f.open(QIODevice::WriteOnly | QIODevice::Append))
        f.write(bytes);
}

class Runtime
{
public:
    ~Runtime()
    {
        {
            std::lock_guard<std::mutex> lk(tm);
            stopWriter = true;
        }
        tcv.notify_all();
        if (writer.joinable())
            writer.join();
    }

    std::mutex m;
    unsigned int nextHandle = 1;
    Session s;
    bool unboundIsInitFailure = false;
    ErrorDef initFailure;
    EdiabasScript script;
    bool haveScript = false;
    bool scriptFromFile = false;
    QByteArray fileBytes;
    JobHandler handler;
    int jobCount = 0;
    QVector<CallRecord> log;
    QVector<Overlap> overlaps;
    quintptr txOwner = 0;

    // Trace lines that are to appear late are written by a thread of their own.
    std::mutex tm;
    std::condition_variable tcv;
    std::deque<PendingTrace> pending;
    std::thread writer;
    bool stopWriter = false;

    void queueTrace(const PendingTrace &t)
    {
        std::lock_guard<std::mutex> lk(tm);
        pending.push_back(t);
        if (!writer.joinable())
            writer = std::thread([this] { writerLoop(); });
        tcv.notify_all();
    }

    void dropPendingTraces()
    {
        std::lock_guard<std::mutex> lk(tm);
        pending.clear();
    }

private:
    void writerLoop()
    {
        std::unique_lock<std::mutex> lk(tm);
        while (!stopWriter) {
            if (pending.empty()) {
                tcv.wait(lk);
                continue;
            }
            auto first = pending.begin();
            for (auto it = pending.begin(); it != pending.end(); ++it)
                if (it->due < first->due)
                    first = it;
            if (Clock::now() < first->due) {
                tcv.wait_until(lk, first->due);
                continue;
            }
            const PendingTrace t = *first;
            pending.erase(first);
            appendFile(t.path, t.bytes);
        }
    }
};

Runtime &rt()
{
    static Runtime r;
    return r;
}

ErrorDefs errs(Runtime &r)
{
    return r.haveScript ? r.script.errors : ErrorDefs();
}

QString q(const char *text)
{
    return text ? QLatin1Char('\'') + QString::fromLatin1(text) + QLatin1Char('\'') : QStringLiteral("null");
}

quintptr currentThread()
{
    return quintptr(QThread::currentThreadId());
}

// Every entry point starts here, with the runtime locked: the call goes to
// the log, and a call of the job family made while another thread's job
// transaction is open is an overlap.
void enter(Runtime &r, const char *call, unsigned int handle, const QString &args, bool jobFamily = true)
{
    const quintptr me = currentThread();
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    if (r.log.size() >= MaxLogRecords)
        r.log.remove(0, MaxLogRecords / 2);
    r.log.append(CallRecord{me, now, handle, QString::fromLatin1(call), args});
    if (jobFamily && r.txOwner && r.txOwner != me && r.overlaps.size() < MaxOverlaps)
        r.overlaps.append(Overlap{now, QString::fromLatin1(call), r.txOwner, me});
}

bool valid(Runtime &r, unsigned int handle)
{
    return handle != 0 && handle == r.s.handle;
}

void markInvalid(Runtime &r)
{
    r.unboundIsInitFailure = false;
}

ErrorDef unbound(Runtime &r)
{
    return r.unboundIsInitFailure ? r.initFailure : errs(r).invalidHandle;
}

void setError(Runtime &r, const ErrorDef &def, const QString &arg = QString())
{
    r.s.errorCode = def.code;
    QString text = def.text;
    r.s.errorText = text.replace(QLatin1String("%1"), arg);
}

ResultSet systemSet(const Job &j);

int stateOf(Runtime &r, Job &j)
{
    if (!j.active)
        return APIREADY;
    if (j.broken)
        return APIBREAK;
    if (j.resp.busyUntilBroken)
        return APIBUSY;
    if (j.serial) {
        if (!j.serial->done)
            return APIBUSY;
        // The answer becomes the binary result of set 1, or the job fails.
        if (j.serial->error.isEmpty()) {
            Result x;
            x.name = j.resp.answerResult;
            x.kind = Result::Bytes;
            x.format = 7;
            x.bytes = j.serial->answer;
            if (j.resp.sets.isEmpty())
                j.resp.sets.append(ResultSet());
            j.resp.sets[0].append(x);
        } else {
            const ErrorDef e = errs(r).noAnswer;
            j.resp.errorCode = e.code;
            j.resp.errorText = e.text + QStringLiteral(": ") + j.serial->error;
        }
        j.serial.reset();
        if (!j.resp.systemSetScripted)
            j.set0 = systemSet(j);
    }
    if (Clock::now() - j.start < milliseconds(j.resp.busyMs))
        return APIBUSY;
    if (!j.settled) {
        j.settled = true;
        if (j.resp.errorCode) {
            r.s.errorCode = j.resp.errorCode;
            r.s.errorText = j.resp.errorText;
        }
    }
    return j.resp.errorCode ? APIERROR : APIREADY;
}

void copyText(char *buf, int size, const QByteArray &bytes)
{
    if (!buf || size <= 0)
        return;
    const int n = qMin(bytes.size(), size - 1);
    if (n > 0)
        std::memcpy(buf, bytes.constData(), size_t(n));
    buf[n] = 0;
}

QString render(const Result &x)
{
    if (!x.rendering.isNull())
        return x.rendering;
    switch (x.kind) {
    case Result::Text:
        return x.text;
    case Result::Integer:
        return QString::number(x.integer);
    case Result::Real:
        return QString::number(x.real, 'g', 15);
    case Result::Bytes: {
        QString out;
        for (int i = 0; i < x.bytes.size(); ++i) {
            if (i)
                out += QLatin1Char(' ');
            out += QString::number(quint8(x.bytes.at(i)), 16).rightJustified(2, QLatin1Char('0')).toUpper();
        }
        return out;
    }
    }
    return QString();
}

bool numeric(const Result &x, double &d, qint64 &i)
{
    switch (x.kind) {
    case Result::Integer:
        i = x.integer;
        d = double(x.integer);
        return true;
    case Result::Real:
        if (!std::isfinite(x.real))
            return false;
        d = x.real;
        i = (std::fabs(d) < 9.2e18) ? qint64(std::llround(d)) : 0;
        return true;
    case Result::Text: {
        bool ok = false;
        const QString t = x.text.trimmed();
        if (t.startsWith(QLatin1String("0x"), Qt::CaseInsensitive)) {
            i = t.mid(2).toLongLong(&ok, 16);
            d = double(i);
            return ok;
        }
        d = t.toDouble(&ok);
        if (!ok || !std::isfinite(d))
            return false;
        i = (std::fabs(d) < 9.2e18) ? qint64(std::llround(d)) : 0;
        return true;
    }
    case Result::Bytes:
        return false;
    }
    return false;
}

Result text(const QString &name, const QString &value)
{
    Result r;
    r.name = name;
    r.kind = Result::Text;
    r.format = 6;
    r.text = value;
    return r;
}

Result real(const QString &name, double value)
{
    Result r;
    r.name = name;
    r.kind = Result::Real;
    r.format = 8;
    r.real = value;
    return r;
}

ResultSet systemSet(const Job &j)
{
    QString status;
    if (!j.resp.sets.isEmpty())
        for (const Result &x : j.resp.sets.last())
            if (x.name.compare(QLatin1String("JOB_STATUS"), Qt::CaseInsensitive) == 0)
                status = render(x);
    Result saetze;
    saetze.name = QStringLiteral("SAETZE");
    saetze.kind = Result::Integer;
    saetze.format = 3;
    saetze.integer = j.resp.sets.size();
    return ResultSet{text(QStringLiteral("VARIANTE"), j.variant.isEmpty() ? j.ecu.toUpper() : j.variant),
                     text(QStringLiteral("OBJECT"), j.ecu.toLower()),
                     text(QStringLiteral("JOBNAME"), j.job.toUpper()), saetze,
                     text(QStringLiteral("JOBSTATUS"), status)};
}

// Memory blocks: the first argument written "0x..." is the address, the next
// decimal argument the length; byte i of the block is (address + i) & 0xFF.
void generateMemory(const QString &args, Response &resp)
{
    qint64 address = -1;
    qint64 length = -1;
    for (QString part : args.split(QLatin1Char(';'))) {
        part = part.trimmed();
        bool ok = false;
        if (address < 0 && part.startsWith(QLatin1String("0x"), Qt::CaseInsensitive)) {
            const qint64 a = part.mid(2).toLongLong(&ok, 16);
            if (ok && a >= 0)
                address = a;
            continue;
        }
        if (address >= 0 && length < 0) {
            const qint64 l = part.toLongLong(&ok);
            if (ok)
                length = l;
        }
    }
    ResultSet set;
    if (address < 0 || length < 0 || length > 0xFFFF) {
        set.append(text(QStringLiteral("JOB_STATUS"), QStringLiteral("ERROR_ARGUMENT")));
    } else {
        Result daten;
        daten.name = QStringLiteral("DATEN");
        daten.kind = Result::Bytes;
        daten.format = 7;
        daten.bytes.resize(int(length));
        for (int i = 0; i < int(length); ++i)
            daten.bytes[i] = char((address + i) & 0xFF);
        set.append(daten);
        set.append(text(QStringLiteral("JOB_STATUS"), QStringLiteral("OKAY")));
    }
    resp.sets = QVector<ResultSet>{set};
}

// What the runtime answers without a script: enough for the program to run.
Response builtin(const QString &ecu, const QString &job, int callNumber, QString &variant, const ErrorDefs &e)
{
    Response resp;
    const QString j = job.toUpper();
    const QString u = ecu.toUpper();
    if (j == QLatin1String("_JOBS")) {
        const char *names[] = {"INFO", "IDENT", "INITIALISIERUNG", "FS_LESEN", "STATUS_MOTORDREHZAHL",
                               "STATUS_KUEHLMITTELTEMPERATUR", "STATUS_LMM", "SPEICHER_LESEN"};
        for (const char *n : names)
            resp.sets.append(ResultSet{text(QStringLiteral("JOBNAME"), QString::fromLatin1(n))});
    } else if (j == QLatin1String("INITIALISIERUNG")) {
        if (u == QLatin1String("D_MOTOR")) {
            variant = QStringLiteral("MSV70");
            resp.sets.append(ResultSet{text(QStringLiteral("JOB_STATUS"), QStringLiteral("OKAY"))});
        } else if (u.startsWith(QLatin1String("D_")) || u.startsWith(QLatin1String("G_"))) {
            resp.errorCode = e.noAnswer.code;
            resp.errorText = e.noAnswer.text;
        } else {
            resp.sets.append(ResultSet{text(QStringLiteral("JOB_STATUS"), QStringLiteral("OKAY"))});
        }
    } else if (j == QLatin1String("SPEICHER_LESEN")) {
        resp.generator = QStringLiteral("memory");
    } else {
        const QString name = j.startsWith(QLatin1String("STATUS_"))
            ? QStringLiteral("STAT_") + j.mid(7) + QStringLiteral("_WERT")
            : QStringLiteral("STAT_WERT");
        resp.sets.append(ResultSet{real(name, 50.0 + 40.0 * std::sin(callNumber * 0.2)),
                                   text(QStringLiteral("JOB_STATUS"), QStringLiteral("OKAY"))});
    }
    return resp;
}

QString tracePath(Runtime &r)
{
    const QString dir = r.s.config.value(QStringLiteral("TRACEPATH"), QStringLiteral("ediabas/trace"));
    return QDir::current().absoluteFilePath(dir + QStringLiteral("/ifh.trc"));
}

bool tracing(Runtime &r)
{
    return r.s.config.value(QStringLiteral("IFHTRACE")).toInt() >= 1;
}

void writeTrace(Runtime &r, const Job &j)
{
    QStringList lines = j.resp.trace;
    if (lines.isEmpty()) {
        lines << QStringLiteral("IFH job start: %1.%2").arg(j.ecu, j.job)
              << QStringLiteral("IFH arguments: '%1'").arg(j.args)
              << (j.resp.errorCode ? QStringLiteral("IFH job end: error %1").arg(j.resp.errorCode)
                                   : QStringLiteral("IFH job end: %1 result sets").arg(j.resp.sets.size()));
    }
    QByteArray bytes;
    for (const QString &l : lines)
        bytes += l.toLatin1() + "\r\n";
    const QString path = tracePath(r);
    if (j.resp.traceDelayMs <= 0)
        appendFile(path, bytes);
    else
        r.queueTrace(PendingTrace{Clock::now() + milliseconds(j.resp.traceDelayMs), path, bytes});
}

void endSession(Runtime &r)
{
    if (r.s.handle && r.s.job.active && stateOf(r, r.s.job) == APIBUSY)
        r.s.job.broken = true;
    r.s = Session();
}

bool reloadScriptFromFile(Runtime &r, QString *error)
{
    const QString path = QDir::current().absoluteFilePath(QStringLiteral("ediabas/ediabas.json"));
    QFile f(path);
    if (!f.exists()) {
        if (r.scriptFromFile) {
            r.haveScript = false;
            r.scriptFromFile = false;
            r.fileBytes.clear();
            r.script = EdiabasScript();
        }
        return true;
    }
    if (!f.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("cannot be read: ") + f.errorString();
        return false;
    }
    const QByteArray bytes = f.read(64 * 1024 * 1024);
    if (r.scriptFromFile && bytes == r.fileBytes)
        return true;
    EdiabasScript s;
    if (!s.parse(bytes, error))
        return false;
    r.script = s;
    r.haveScript = true;
    r.scriptFromFile = true;
    r.fileBytes = bytes;
    return true;
}

// One API call on a session: holds the runtime's lock for the call and
// records it.
class Call
{
public:
    Call(const char *call, ApiHandle handle, const QString &args, bool jobFamily = true)
        : r(rt())
        , lk(r.m)
        , handle(handle)
    {
        enter(r, call, handle, args, jobFamily);
    }

    // Whether the handle is the open session's; a call on any other handle
    // leaves the "invalid handle" error.
    bool bound()
    {
        if (valid(r, handle))
            return true;
        markInvalid(r);
        return false;
    }

    Runtime &r;
    std::unique_lock<std::mutex> lk;
    ApiHandle handle;
};

int initCommon(const char *call, ApiHandle *handle, const QString &args)
{
    Call c(call, 0, args);
    Runtime &r = c.r;
    r.txOwner = 0;
    endSession(r);
    if (handle)
        *handle = 0;
    QString error;
    if (!reloadScriptFromFile(r, &error)) {
        r.unboundIsInitFailure = true;
        r.initFailure = ErrorDef{ErrorDefs().initFailed.code, QStringLiteral("ediabas/ediabas.json: ") + error};
        return 0;
    }
    if (r.haveScript && r.script.initFails) {
        r.unboundIsInitFailure = true;
        r.initFailure = r.script.initError;
        return 0;
    }
    if (!handle) {
        r.unboundIsInitFailure = false;
        return 0;
    }
    r.s.handle = r.nextHandle++;
    if (r.nextHandle == 0)
        r.nextHandle = 1;
    r.s.config.insert(QStringLiteral("IFHTRACE"), QStringLiteral("0"));
    r.s.config.insert(QStringLiteral("APITRACE"), QStringLiteral("0"));
    r.s.config.insert(QStringLiteral("TASKPRIORITY"), QStringLiteral("0"));
    r.s.config.insert(QStringLiteral("TRACEPATH"), QStringLiteral("ediabas/trace"));
    r.s.config.insert(QStringLiteral("ECUPATH"), QStringLiteral("ediabas/ecu"));
    r.unboundIsInitFailure = false;
    *handle = r.s.handle;
    return 1;
}

void startJob(const char *call, ApiHandle handle, const QString &ecu, const QString &job, const QString &args,
              const QString &logArgs)
{
    Call c(call, handle, logArgs);
    Runtime &r = c.r;
    if (!c.bound())
        return;
    r.txOwner = currentThread();
    r.s.errorCode = 0;
    r.s.errorText.clear();
    const ErrorDefs e = errs(r);

    Job j;
    j.active = true;
    j.ecu = ecu;
    j.job = job;
    j.args = args;
    j.start = Clock::now();
    ++r.jobCount;

    Response resp;
    QString variant;
    if (r.haveScript) {
        switch (r.script.resolve(ecu, job, args, resp, variant)) {
        case EdiabasScript::Found:
            break;
        case EdiabasScript::UnknownEcu:
            resp.errorCode = e.unknownEcu.code;
            resp.errorText = QString(e.unknownEcu.text).replace(QLatin1String("%1"), ecu);
            break;
        case EdiabasScript::UnknownJob:
            resp.errorCode = e.unknownJob.code;
            resp.errorText = QString(e.unknownJob.text).replace(QLatin1String("%1"), job);
            break;
        }
    } else {
        resp = builtin(ecu, job, r.jobCount, variant, e);
    }
    if (resp.generator == QLatin1String("memory"))
        generateMemory(args, resp);
    if (r.handler)
        r.handler(JobRequest{ecu, job, args, r.jobCount}, resp);
    j.resp = resp;
    j.variant = variant;
    j.set0 = resp.systemSetScripted ? resp.systemSet : systemSet(j);
    if (!resp.telegram.isEmpty() && !resp.errorCode)
        j.serial = startSerialExchange(resp.telegram, resp.answerTimeoutMs);
    r.s.job = j;
    if (tracing(r))
        writeTrace(r, j);
}

// Result getters: wait while the job is inside its busy time, then look the
// result up. Returns null (with the error set) when there is none.
class Getter : public Call
{
public:
    Getter(const char *call, ApiHandle handle, const QString &args)
        : Call(call, handle, args)
    {
    }

    bool ready()
    {
        for (;;) {
            if (!bound())
                return false;
            Job &j = r.s.job;
            const int st = stateOf(r, j);
            if (st == APIBUSY && !j.broken && !j.resp.busyUntilBroken) {
                const auto left = j.start + milliseconds(j.resp.busyMs) - Clock::now();
                lk.unlock();
                // A telegram exchange has no end time: poll it.
                std::this_thread::sleep_for(
                    std::max<Clock::duration>(milliseconds(1), std::min<Clock::duration>(left, milliseconds(10))));
                lk.lock();
                continue;
            }
            const ErrorDefs e = errs(r);
            if (st == APIBUSY) {
                setError(r, e.jobBusy);
                return false;
            }
            if (st == APIBREAK) {
                setError(r, e.jobBroken);
                return false;
            }
            if (st == APIERROR)
                return false;
            if (!j.active) {
                setError(r, e.resultNotFound, QStringLiteral("(no job)"));
                return false;
            }
            return true;
        }
    }

    const ResultSet *set(unsigned short index)
    {
        Job &j = r.s.job;
        if (index == 0)
            return &j.set0;
        if (index <= j.resp.sets.size())
            return &j.resp.sets.at(index - 1);
        setError(r, errs(r).resultNotFound, QStringLiteral("set %1").arg(index));
        return nullptr;
    }

    const Result *find(const char *name, unsigned short index)
    {
        if (!ready())
            return nullptr;
        const ResultSet *rs = set(index);
        if (!rs)
            return nullptr;
        const QString n = QString::fromLatin1(name ? name : "");
        for (const Result &x : *rs)
            if (x.name.compare(n, Qt::CaseInsensitive) == 0)
                return &x;
        setError(r, errs(r).resultNotFound, n);
        return nullptr;
    }

    void wrongType(const Result &x)
    {
        setError(r, errs(r).resultNotFound, x.name + QStringLiteral(" (not of this type)"));
    }
};

QString getterArgs(const char *result, unsigned short set)
{
    return q(result) + QStringLiteral(", ") + QString::number(set);
}

// Whole-number buffers take the whole value, a real one the exact value.
template<typename T>
void store(T *buf, double, qint64 i)
{
    *buf = T(i);
}

void store(double *buf, double d, qint64)
{
    *buf = d;
}

template<typename T>
int numericGetter(const char *call, ApiHandle handle, T *buf, const char *result, unsigned short set)
{
    Getter g(call, handle, getterArgs(result, set));
    const Result *x = g.find(result, set);
    if (!x)
        return 0;
    double d = 0;
    qint64 i = 0;
    if (!numeric(*x, d, i)) {
        g.wrongType(*x);
        return 0;
    }
    if (buf)
        store(buf, d, i);
    return 1;
}

} // namespace

bool loadScript(const QByteArray &json, QString *error)
{
    EdiabasScript s;
    if (!s.parse(json, error))
        return false;
    Runtime &r = rt();
    std::lock_guard<std::mutex> lk(r.m);
    r.script = s;
    r.haveScript = true;
    r.scriptFromFile = false;
    r.fileBytes.clear();
    return true;
}

bool checkScript(const QByteArray &json, QString *error)
{
    EdiabasScript s;
    return s.parse(json, error);
}

void setHandler(JobHandler handler)
{
    Runtime &r = rt();
    std::lock_guard<std::mutex> lk(r.m);
    r.handler = std::move(handler);
}

// A copy of its own, made under the lock: a copy that shared the runtime's
// vector would be detached by the test's thread while a job's thread
// appends to the original.
namespace {
template<class T> QVector<T> deepCopy(const QVector<T> &from)
{
    QVector<T> out;
    out.reserve(from.size());
    for (const T &item : from)
        out.append(item);
    return out;
}
} // namespace

QVector<CallRecord> callLog()
{
    Runtime &r = rt();
    std::lock_guard<std::mutex> lk(r.m);
    return deepCopy(r.log);
}

QVector<Overlap> overlaps()
{
    Runtime &r = rt();
    std::lock_guard<std::mutex> lk(r.m);
    return deepCopy(r.overlaps);
}

void clearCallLog()
{
    Runtime &r = rt();
    std::lock_guard<std::mutex> lk(r.m);
    r.log.clear();
    r.overlaps.clear();
}

void reset()
{
    Runtime &r = rt();
    {
        std::lock_guard<std::mutex> lk(r.m);
        r.s = Session();
        r.nextHandle = 1;
        r.unboundIsInitFailure = false;
        r.initFailure = ErrorDef();
        r.script = EdiabasScript();
        r.haveScript = false;
        r.scriptFromFile = false;
        r.fileBytes.clear();
        r.handler = nullptr;
        r.jobCount = 0;
        r.log.clear();
        r.overlaps.clear();
        r.txOwner = 0;
    }
    r.dropPendingTraces();
}

} // namespace EdiabasStandIn

using namespace EdiabasStandIn;

extern "C" {

int __apiInit(ApiHandle *handle)
{
    return initCommon("__apiInit", handle, QString());
}

int __apiInitExt(ApiHandle *handle, const char *ifh, const char *unit, const char *app, const char *reserved)
{
    return initCommon("__apiInitExt", handle,
                      QStringList{q(ifh), q(unit), q(app), q(reserved)}.join(QStringLiteral(", ")));
}

void __apiEnd(ApiHandle handle)
{
    Call c("__apiEnd", handle, QString());
    Runtime &r = c.r;
    if (!c.bound())
        return;
    r.txOwner = 0;
    endSession(r);
}

int __apiSwitchDevice(ApiHandle handle, const char *unit, const char *app)
{
    Call c("__apiSwitchDevice", handle, q(unit) + QStringLiteral(", ") + q(app));
    return c.bound() ? 1 : 0;
}

void __apiJob(ApiHandle handle, const char *ecu, const char *job, const char *para, const char *result)
{
    startJob("__apiJob", handle, QString::fromLatin1(ecu ? ecu : ""), QString::fromLatin1(job ? job : ""),
             QString::fromLatin1(para ? para : ""),
             QStringList{q(ecu), q(job), q(para), q(result)}.join(QStringLiteral(", ")));
}

static QString bytesArg(const unsigned char *para, int len)
{
    if (!para || len <= 0)
        return QString();
    return QString::fromLatin1(reinterpret_cast<const char *>(para), len);
}

void __apiJobData(ApiHandle handle, const char *ecu, const char *job, const unsigned char *para, int paralen,
                  const char *result)
{
    const QString args = bytesArg(para, paralen);
    startJob("__apiJobData", handle, QString::fromLatin1(ecu ? ecu : ""), QString::fromLatin1(job ? job : ""), args,
             QStringList{q(ecu), q(job), QLatin1Char('\'') + args + QLatin1Char('\''), QString::number(paralen), q(result)}
                 .join(QStringLiteral(", ")));
}

void __apiJobExt(ApiHandle handle, const char *ecu, const char *job, const unsigned char *stdpara, int stdparalen,
                 const unsigned char *para, int paralen, const char *result, long reserved)
{
    const QString args = bytesArg(para, paralen);
    startJob("__apiJobExt", handle, QString::fromLatin1(ecu ? ecu : ""), QString::fromLatin1(job ? job : ""), args,
             QStringList{q(ecu), q(job), QLatin1Char('\'') + bytesArg(stdpara, stdparalen) + QLatin1Char('\''),
                         QString::number(stdparalen), QLatin1Char('\'') + args + QLatin1Char('\''),
                         QString::number(paralen), q(result), QString::number(reserved)}
                 .join(QStringLiteral(", ")));
}

int __apiJobInfo(ApiHandle handle, char *infoText)
{
    Call c("__apiJobInfo", handle, QString());
    Runtime &r = c.r;
    copyText(infoText, APIMAXTEXT, QByteArray());
    if (!c.bound())
        return 0;
    Job &j = r.s.job;
    if (!j.active || stateOf(r, j) != APIBUSY || j.resp.busyUntilBroken || j.resp.busyMs <= 0)
        return j.active && stateOf(r, j) == APIBUSY ? 0 : 100;
    const auto elapsed = std::chrono::duration_cast<milliseconds>(Clock::now() - j.start).count();
    return int(qBound<qint64>(0, elapsed * 100 / j.resp.busyMs, 100));
}

int __apiResultChar(ApiHandle handle, char *buf, const char *result, unsigned short set)
{
    return numericGetter("__apiResultChar", handle, buf, result, set);
}

int __apiResultByte(ApiHandle handle, unsigned char *buf, const char *result, unsigned short set)
{
    return numericGetter("__apiResultByte", handle, buf, result, set);
}

int __apiResultInt(ApiHandle handle, short *buf, const char *result, unsigned short set)
{
    return numericGetter("__apiResultInt", handle, buf, result, set);
}

int __apiResultWord(ApiHandle handle, unsigned short *buf, const char *result, unsigned short set)
{
    return numericGetter("__apiResultWord", handle, buf, result, set);
}

int __apiResultLong(ApiHandle handle, int32_t *buf, const char *result, unsigned short set)
{
    return numericGetter("__apiResultLong", handle, buf, result, set);
}

int __apiResultDWord(ApiHandle handle, uint32_t *buf, const char *result, unsigned short set)
{
    return numericGetter("__apiResultDWord", handle, buf, result, set);
}

int __apiResultReal(ApiHandle handle, double *buf, const char *result, unsigned short set)
{
    return numericGetter("__apiResultReal", handle, buf, result, set);
}

int __apiResultText(ApiHandle handle, char *buf, const char *result, unsigned short set, const char *format)
{
    Getter g("__apiResultText", handle, getterArgs(result, set) + QStringLiteral(", ") + q(format));
    const Result *x = g.find(result, set);
    if (!x)
        return 0;
    copyText(buf, APIMAXTEXT, render(*x).toLatin1());
    return 1;
}

int __apiResultBinary(ApiHandle handle, unsigned char *buf, unsigned short *len, const char *result,
                      unsigned short set)
{
    Getter g("__apiResultBinary", handle, getterArgs(result, set));
    const Result *x = g.find(result, set);
    if (!x)
        return 0;
    QByteArray bytes;
    if (x->kind == Result::Bytes)
        bytes = x->bytes;
    else if (x->kind == Result::Text)
        bytes = x->text.toLatin1();
    else {
        g.wrongType(*x);
        return 0;
    }
    bytes.truncate(qMin(APIMAXBINARY, 0xFFFF));
    if (buf && !bytes.isEmpty())
        std::memcpy(buf, bytes.constData(), size_t(bytes.size()));
    if (len)
        *len = static_cast<unsigned short>(bytes.size());
    return 1;
}

int __apiResultFormat(ApiHandle handle, int *format, const char *result, unsigned short set)
{
    Getter g("__apiResultFormat", handle, getterArgs(result, set));
    const Result *x = g.find(result, set);
    if (!x)
        return 0;
    if (format)
        *format = x->format;
    return 1;
}

int __apiResultNumber(ApiHandle handle, unsigned short *count, unsigned short set)
{
    Getter g("__apiResultNumber", handle, QString::number(set));
    if (count)
        *count = 0;
    if (!g.ready())
        return 0;
    const ResultSet *rs = g.set(set);
    if (!rs)
        return 0;
    if (count)
        *count = static_cast<unsigned short>(qMin(rs->size(), 0xFFFF));
    return 1;
}

int __apiResultName(ApiHandle handle, char *name, unsigned short index, unsigned short set)
{
    Getter g("__apiResultName", handle, QString::number(index) + QStringLiteral(", ") + QString::number(set));
    copyText(name, APIMAXNAME, QByteArray());
    if (!g.ready())
        return 0;
    const ResultSet *rs = g.set(set);
    if (!rs)
        return 0;
    if (index < 1 || index > rs->size()) {
        setError(g.r, errs(g.r).resultNotFound, QStringLiteral("index %1").arg(index));
        return 0;
    }
    copyText(name, APIMAXNAME, rs->at(index - 1).name.toLatin1());
    return 1;
}

int __apiResultSets(ApiHandle handle, unsigned short *sets)
{
    Getter g("__apiResultSets", handle, QString());
    if (sets)
        *sets = 0;
    if (!g.ready())
        return 0;
    if (sets)
        *sets = static_cast<unsigned short>(qMin(g.r.s.job.resp.sets.size(), 0xFFFF));
    return 1;
}

int __apiResultVar(ApiHandle handle, char *var)
{
    Getter g("__apiResultVar", handle, QString());
    copyText(var, APIMAXNAME, QByteArray());
    if (!g.ready())
        return 0;
    const Job &j = g.r.s.job;
    copyText(var, APIMAXNAME, (j.variant.isEmpty() ? j.ecu.toUpper() : j.variant).toLatin1());
    return 1;
}

unsigned int __apiResultsNew(ApiHandle handle)
{
    Call c("__apiResultsNew", handle, QString());
    Runtime &r = c.r;
    if (!c.bound())
        return 0;
    const unsigned int id = r.s.nextResults++;
    r.s.saved[id] = r.s.job;
    return id;
}

void __apiResultsScope(ApiHandle handle, unsigned int results)
{
    Call c("__apiResultsScope", handle, QString::number(results));
    Runtime &r = c.r;
    if (!c.bound())
        return;
    auto it = r.s.saved.find(results);
    if (it == r.s.saved.end()) {
        setError(r, errs(r).resultNotFound, QStringLiteral("results %1").arg(results));
        return;
    }
    r.s.job = it->second;
}

void __apiResultsDelete(ApiHandle handle, unsigned int results)
{
    Call c("__apiResultsDelete", handle, QString::number(results));
    Runtime &r = c.r;
    if (!c.bound())
        return;
    r.s.saved.erase(results);
}

int __apiState(ApiHandle handle)
{
    Call c("__apiState", handle, QString());
    Runtime &r = c.r;
    if (!c.bound())
        return APIERROR;
    return stateOf(r, r.s.job);
}

void __apiBreak(ApiHandle handle)
{
    Call c("__apiBreak", handle, QString());
    Runtime &r = c.r;
    if (!c.bound())
        return;
    Job &j = r.s.job;
    if (j.active && stateOf(r, j) == APIBUSY) {
        j.broken = true;
        setError(r, errs(r).jobBroken);
    }
}

int __apiErrorCode(ApiHandle handle)
{
    Call c("__apiErrorCode", handle, QString());
    Runtime &r = c.r;
    if (!valid(r, handle))
        return unbound(r).code;
    stateOf(r, r.s.job);
    return r.s.errorCode;
}

void __apiErrorText(ApiHandle handle, char *buf, int size)
{
    Call c("__apiErrorText", handle, QString::number(size));
    Runtime &r = c.r;
    QString text;
    if (valid(r, handle)) {
        stateOf(r, r.s.job);
        text = r.s.errorText;
    } else {
        text = unbound(r).text;
    }
    copyText(buf, size, text.toLatin1());
    if (r.txOwner == currentThread())
        r.txOwner = 0;
}

int __apiSetConfig(ApiHandle handle, const char *name, const char *value)
{
    Call c("__apiSetConfig", handle, q(name) + QStringLiteral(", ") + q(value), false);
    Runtime &r = c.r;
    if (!c.bound())
        return 0;
    if (!name || !*name)
        return 0;
    const QString key = QString::fromLatin1(name).toUpper();
    r.s.config.insert(key, QString::fromLatin1(value ? value : ""));
    // The runtime opens its interface trace when tracing is switched on.
    if (key == QLatin1String("IFHTRACE") && tracing(r))
        appendFile(tracePath(r), QByteArray());
    return 1;
}

int __apiGetConfig(ApiHandle handle, const char *name, char *value)
{
    Call c("__apiGetConfig", handle, q(name), false);
    Runtime &r = c.r;
    copyText(value, APIMAXCONFIG, QByteArray());
    if (!c.bound())
        return 0;
    const auto it = r.s.config.constFind(QString::fromLatin1(name ? name : "").toUpper());
    if (it == r.s.config.constEnd())
        return 0;
    copyText(value, APIMAXCONFIG, it->toLatin1());
    return 1;
}

} // extern "C"
