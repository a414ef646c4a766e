#pragma once
// A serial device for tests: a pseudo-terminal pair whose master side the
// test owns, while the program opens the slave path by name (as it would
// open "/dev/ttyUSB0"). The fixture keeps a slave descriptor of its own so
// that the line settings can be read back and the master never sees a
// hang-up while the program has the port closed.
//
// A pseudo-terminal carries bytes only: baud rate and data bits are stored
// and can be read back, parity, DTR, RTS and modem lines are not emulated.
//
// Reads and writes here are blocking with time-outs and may be called from
// any one thread at a time (the test thread, or a responder's thread).
#include <QByteArray>
#include <QString>
#include <termios.h>

class PtyDevice
{
public:
    PtyDevice();
    ~PtyDevice();
    PtyDevice(const PtyDevice &) = delete;
    PtyDevice &operator=(const PtyDevice &) = delete;

    bool isOpen() const { return master >= 0; }
    // The name the program opens, such as "/dev/pts/7".
    QString slavePath() const { return path; }
    int masterFd() const { return master; }

    // Writes every byte to the program; false when the pair is gone.
    bool write(const QByteArray &bytes);
    // Writes what fits without waiting; the count written, -1 when the
    // pair is gone. A device that streams uses it: it never blocks on a
    // program that has stopped reading.
    int writeNow(const QByteArray &bytes);
    // Waits at most timeoutMs for the first byte, then returns what is there.
    QByteArray read(int timeoutMs);
    // Collects exactly n bytes (or fewer when timeoutMs passes first).
    QByteArray readExactly(int n, int timeoutMs);
    // Everything already received, without waiting.
    QByteArray drain();
    // True when at least one byte is waiting within timeoutMs.
    bool waitForReadable(int timeoutMs);
    // Waits (processing no events) until at least n bytes sent to the
    // program lie unread on its side of the line; false after timeoutMs.
    bool waitForProgramInput(int n, int timeoutMs) const;

    // Line settings the program applied to its side.
    struct termios lineSettings() const;
    // 9600, 115200 ..., also speeds without a standard code (14400).
    int baudRate() const;
    int dataBits() const;
    bool parityEnabled() const;
    // RTS/CTS flow control as the program set it. A pseudo-terminal keeps
    // the flag but never holds data back: tests must not wait on CTS.
    bool hardwareFlowControl() const;

    // Pulls the cable: closes both sides of the fixture. The program's
    // next read or write fails; the slave path no longer opens.
    void unplug();

private:
    int master = -1;
    int slave = -1;
    // The slave descriptor after an unplug, hung up and kept until the
    // fixture goes: while any descriptor holds the line, its number is not
    // handed to a pseudo-terminal that another test process opens (which
    // would make the unplugged path open again).
    int hungUp = -1;
    QString path;
};
