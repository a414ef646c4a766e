// The shared half of the stand-in: the script in force, the call log, the
// controls alive, and the test hooks that are not the LM-2's.
#include "innovateruntime.h"
#include "mtssdklib.h"

#include <QDateTime>
#include <QFile>
#include <QSet>
#include <QThread>

#include <mutex>

namespace InnovateStandIn {
namespace {

const int MaxLogRecords = 50000;
const char *const ScriptFile = "innovate/innovate.json";

struct Shared
{
    std::mutex mutex;
    bool haveLoaded = false;
    Script loaded;
    QVector<CallRecord> calls;
    QSet<MTSSDKLib::MTS *> controls;
};

// Never destroyed: threads may still log while the process ends.
Shared &shared()
{
    static Shared *s = new Shared;
    return *s;
}

} // namespace

Script currentScript(bool *fromFile)
{
    if (fromFile)
        *fromFile = false;
    QFile file(QString::fromLatin1(ScriptFile));
    if (file.exists()) {
        Script script;
        QString error;
        if (!file.open(QIODevice::ReadOnly) || !parseScript(file.readAll(), script, &error)) {
            qWarning("Innovate stand-in: %s: %s", ScriptFile,
                     qPrintable(error.isEmpty() ? file.errorString() : error));
            return Script();
        }
        if (fromFile)
            *fromFile = true;
        return script;
    }
    Shared &s = shared();
    std::lock_guard<std::mutex> lock(s.mutex);
    return s.haveLoaded ? s.loaded : Script();
}

void logCall(const QString &call, const QString &arguments)
{
    Shared &s = shared();
    CallRecord record;
    record.timeMs = QDateTime::currentMSecsSinceEpoch();
    record.call = call;
    record.arguments = arguments;
    std::lock_guard<std::mutex> lock(s.mutex);
    if (s.calls.size() >= MaxLogRecords)
        s.calls.remove(0, MaxLogRecords / 10);
    s.calls.append(record);
}

void registerControl(MTSSDKLib::MTS *control)
{
    Shared &s = shared();
    std::lock_guard<std::mutex> lock(s.mutex);
    s.controls.insert(control);
}

void unregisterControl(MTSSDKLib::MTS *control)
{
    Shared &s = shared();
    std::lock_guard<std::mutex> lock(s.mutex);
    s.controls.remove(control);
}

bool loadScript(const QByteArray &json, QString *error)
{
    Script script;
    if (!parseScript(json, script, error))
        return false;
    Shared &s = shared();
    std::lock_guard<std::mutex> lock(s.mutex);
    s.loaded = script;
    s.haveLoaded = true;
    return true;
}

QVector<CallRecord> callLog()
{
    Shared &s = shared();
    std::lock_guard<std::mutex> lock(s.mutex);
    return s.calls;
}

int callCount(const QString &call)
{
    int n = 0;
    for (const CallRecord &r : callLog())
        n += r.call == call ? 1 : 0;
    return n;
}

void clearCallLog()
{
    Shared &s = shared();
    std::lock_guard<std::mutex> lock(s.mutex);
    s.calls.clear();
}

namespace {
// The controls alive; they live in the caller's thread, as the tests use them.
QList<MTSSDKLib::MTS *> controls()
{
    Shared &s = shared();
    std::lock_guard<std::mutex> lock(s.mutex);
    return s.controls.values();
}
} // namespace

int controlCount()
{
    return controls().size();
}

void fireNewData()
{
    for (MTSSDKLib::MTS *c : controls())
        c->nextSampleSet(false);
}

void fireConnectionError()
{
    for (MTSSDKLib::MTS *c : controls())
        emit c->ConnectionError();
}

void fireConnectionEvent(int result)
{
    for (MTSSDKLib::MTS *c : controls())
        emit c->ConnectionEvent(result);
}

void reset()
{
    lm2Reset();
    Shared &s = shared();
    std::lock_guard<std::mutex> lock(s.mutex);
    s.haveLoaded = false;
    s.loaded = Script();
    s.calls.clear();
}

} // namespace InnovateStandIn
