#pragma once
// The serial ports of the CAN listener and of both sides of the CAN bridge:
// opened read-write at 921600 baud 8N1 without flow control, RTS and DTR
// off (a pseudo-terminal refuses the lines: logged, not fatal), both
// directions cleared. Used in the thread that owns the port.
#include "kelvolog.h"

#include <QByteArray>
#include <QString>

class QSerialPort;

class CanSerial
{
public:
    enum { BaudRate = 921600, WriteWaitMs = 100 };

    // False when the port does not open: the reason, in the system's
    // words, is logged and given in why.
    static bool open(QSerialPort &port, const QString &name, log4cplus::Logger &logger, QString *why = nullptr);
    // Writes and waits at most WriteWaitMs for the bytes to leave.
    static bool write(QSerialPort &port, const QByteArray &bytes);
    // Closes the adapter's CAN channel ("\rC\r"), waits for the write and
    // flushes; the caller closes the port.
    static void closeChannel(QSerialPort &port);
};
