#pragma once
// Waiting for bytes on a serial port in a reader's own thread: in short
// slices, so that a stop flag set by another thread is seen soon, and with
// a port that failed told apart from a quiet one (an error, or waits that
// keep returning at once without data, as a pulled USB adapter gives).
#include <atomic>

class QSerialPort;

class SerialWait
{
public:
    enum Result { Data, Timeout, Stopped, Lost };

    // Waits up to ms for bytes (at once when some are buffered).
    static Result wait(QSerialPort &port, int ms, const std::atomic<bool> &stop, int sliceMs = 50);
    // An error other than a time-out is set on the port.
    static bool failing(const QSerialPort &port);
};
