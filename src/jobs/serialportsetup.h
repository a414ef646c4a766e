#pragma once
// Puts a SerialPortSettings on an open port. A pseudo-terminal (and some
// adapters) refuse parity, flow control or odd speeds while the bytes still
// pass, so a refused setting is reported to the caller and the rest is
// applied all the same.
#include "serialportsettings.h"

#include <QString>
#include <functional>

class QSerialPort;

// refused gets "baud rate", "data bits", "parity", "stop bits" or
// "flow control". A baud rate of 0 and data or stop bits outside their
// enumeration are left as the port has them. Pending input and errors stay.
void applySerialPortSettings(QSerialPort &port, const SerialPortSettings &settings,
                             const std::function<void(const char *)> &refused);

// Why the port did not open, in the system's words ("No such file or
// directory", "Permission denied", "Device or resource busy"). A port that
// another opener holds by its lock file is said to be in use, naming that
// program and its process where the lock tells them (or this program, when
// it holds the port itself).
QString serialPortOpenError(const QSerialPort &port);
