#pragma once
// In-process control of the EDIABAS stand-in, for tests: load a script from
// text, hook a handler into every job, read the call log and the overlaps,
// reset everything. The program itself never includes this header; it talks
// to the runtime through api32.h only.
//
// Script precedence: at every __apiInit the runtime reads
// "ediabas/ediabas.json" below the working directory. A script found there
// replaces whatever was loaded; when that file is absent, a script given to
// loadScript() stays in force until reset(), and a script that came from a
// file that has since gone gives way to the built-in answers.
#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QVector>
#include <functional>

namespace EdiabasStandIn {

// One result of a result set. The value lives in the field named by kind;
// apiResultText answers `rendering` when it is not null, else a rendering
// made from the value (see README.md).
struct Result
{
    enum Kind { Text, Integer, Real, Bytes };
    QString name;
    int format = 6;
    Kind kind = Text;
    QString text;
    qint64 integer = 0;
    double real = 0.0;
    QByteArray bytes;
    QString rendering;
};

using ResultSet = QVector<Result>;

// What one job answers.
struct Response
{
    QVector<ResultSet> sets;       // result sets 1 .. n
    bool systemSetScripted = false;
    ResultSet systemSet;           // set 0, used only when systemSetScripted
    int busyMs = 0;                // the job stays busy this long after __apiJob
    bool busyUntilBroken = false;  // the job stays busy until __apiBreak/__apiEnd
    int errorCode = 0;             // nonzero: the job ends in state 3
    QString errorText;
    QStringList trace;             // interface trace lines; empty: the default lines
    int traceDelayMs = 0;          // the trace lines appear this late
    QString generator;             // "memory": set 1 computed from the arguments
    // EDIABAS's serial side: a nonempty telegram is written to "OBD/Port" of
    // "ediabas/obd.ini"; the job stays busy until its echo and the answer
    // telegram are read (an error after answerTimeoutMs) and puts the answer
    // in set 1 as the binary result answerResult.
    QByteArray telegram;
    int answerTimeoutMs = 1000;
    QString answerResult = QStringLiteral("ANTWORT");
};

struct JobRequest
{
    QString ecu;
    QString job;
    QString arguments;
    int callNumber = 0;  // jobs started since the last reset, this one included
};

// Called for every job with the response found in the script (or the
// built-in one); it may change it. Runs inside the runtime: it must not call
// the __api* entry points.
using JobHandler = std::function<void(const JobRequest &, Response &)>;

struct CallRecord
{
    quintptr thread = 0;
    qint64 timeMs = 0;        // milliseconds since the epoch
    unsigned int handle = 0;
    QString call;             // "__apiJob", "__apiState", ...
    QString arguments;        // the arguments, joined by ", "
};

// A call made by one thread while another thread's job transaction was open
// (from its __apiJob up to its __apiErrorText, or __apiInit/__apiEnd).
struct Overlap
{
    qint64 timeMs = 0;
    QString call;
    quintptr ownerThread = 0;
    quintptr otherThread = 0;
};

// Parses a script (the format of README.md) and puts it in force. A broken
// script changes nothing and returns false with the reason in *error.
bool loadScript(const QByteArray &json, QString *error = nullptr);
// Checks a script without putting it in force.
bool checkScript(const QByteArray &json, QString *error = nullptr);
void setHandler(JobHandler handler);
QVector<CallRecord> callLog();
QVector<Overlap> overlaps();
void clearCallLog();  // also forgets the overlaps
// Back to the state of a freshly loaded library: no session, no script, no
// handler, empty call log, default configuration, pending trace lines dropped.
void reset();

} // namespace EdiabasStandIn
