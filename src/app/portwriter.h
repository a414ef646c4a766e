#pragma once
// Writes bytes to an open serial port and waits until they have left, with
// a bound: when the port takes nothing for `stepTimeoutMs`, the write
// counts as failed and what did not leave is dropped, so that it cannot
// trickle out ahead of the next write. Used by the serial tool windows,
// which must never hang on a port that stopped draining.
#include <QByteArray>
#include <QString>

class QSerialPort;

class PortWriter
{
public:
    // True when every byte left; else false with the reason in *error.
    static bool write(QSerialPort &port, const QByteArray &bytes, int stepTimeoutMs, QString *error = nullptr);
};
