#pragma once
// EDIABAS's serial side in the stand-in: a job scripted with a "telegram"
// writes it to the interface port ("OBD/Port" of "ediabas/obd.ini" below
// the working directory) and reads back the echo and the answer telegram
// ([0x80 + n][target][source][n bytes][sum]), as EDIABAS does on a K-line
// interface or a virtual port pair. Internal to the stand-in library.
#include <QByteArray>
#include <QString>
#include <atomic>
#include <memory>

namespace EdiabasStandIn {

struct SerialExchange
{
    // Set last: answer and error are final once it is true.
    std::atomic<bool> done{false};
    QByteArray answer;
    QString error;  // nonempty: no valid answer
};

// Opens the port and runs the exchange in a thread of its own; the job
// polls `done`. The exchange ends with an error when the port does not
// open, the echo differs, or no whole answer came within timeoutMs.
std::shared_ptr<SerialExchange> startSerialExchange(const QByteArray &telegram, int timeoutMs);

// The interface port EDIABAS is set to use.
QString interfacePort();

} // namespace EdiabasStandIn
