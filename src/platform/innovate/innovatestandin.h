#pragma once
// In-process control of the Innovate stand-in, for tests: put a script in
// force, fire the MTS control's events, feed the LM-2 bytes to send and
// read what the program wrote to it, read the call log, reset. The program
// itself never includes this header: it reaches the control through
// mtssdklib.h and the driver through lm2driver.h.
//
// Script precedence: "innovate/innovate.json" below the working directory,
// read when a control is created, at Connect and when the LM-2 device is
// opened, wins over a script given to loadScript(), which stays in force
// until reset().
#include <QByteArray>
#include <QString>
#include <QVector>

namespace InnovateStandIn {

struct CallRecord
{
    qint64 timeMs = 0;  // milliseconds since the epoch
    QString call;       // "MTS::Connect", "MTS::CurrentPort", "lm2drvControl", ...
    QString arguments;  // joined by ", "
};

// Parses a script (the format of README.md) and puts it in force. A broken
// script changes nothing and returns false with the reason in *error.
bool loadScript(const QByteArray &json, QString *error = nullptr);

QVector<CallRecord> callLog();
// The number of logged calls of that name.
int callCount(const QString &call);
void clearCallLog();

// The MTS controls alive now; the fire functions emit on each of them.
int controlCount();
void fireNewData();
void fireConnectionError();
void fireConnectionEvent(int result);

// Bytes the LM-2 sends next (after whatever is queued), in either mode.
void feedLm2(const QByteArray &bytes);
// Everything the program wrote to the LM-2 since the device was opened
// (kept after it closes, until the next open or reset()).
QByteArray lm2Written();
// Queued bytes the program has not read yet.
int lm2Pending();
// Open driver handles.
int lm2OpenHandles();

// Back to a freshly loaded library: no script, no LM-2 handles, empty call
// log. Controls alive stay as they are.
void reset();

} // namespace InnovateStandIn
