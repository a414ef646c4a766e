#pragma once
// Diagnostic telegrams over CAN with ISO-TP in extended addressing: the
// first data byte of every frame is the target address, the second the
// protocol control byte. split() cuts a telegram of the EDIABAS serial
// form into the tester's frames; reassemble() puts an ECU's frames back
// into that form:
//
//     telegram: [0x80 + n][target][source][n data bytes][sum of all before]
//
// Single frames [target][0x0n][n bytes] carry up to 6 bytes; longer ones
// go as a first frame [target][0x10][n][5 bytes] and consecutive frames
// [target][0x2s][6 bytes] counting s = 1, 2, ... 15, 0, 1 ...
//
// One CANTransport per direction, used by one thread. Messages are
// reassembled per sender and target (the frame's identifier and address
// byte): two ECUs answering at once each give their own whole telegram,
// and a consecutive frame never completes another sender's message. Within
// one sender, a complete message, a sequence error and every single or
// first frame end the message before it, so no byte of one telegram ever
// reaches the next. Flow control is the caller's: the transport neither
// sends nor expects it.
#include "canframe.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <vector>

class CANTransport
{
public:
    enum {
        TesterAddress = 0xF1,
        // ECUs answer on 0x600 + their address, the tester sends on 0x6F1.
        EcuIdBase = 0x600,
        // The header 0x80 + n cannot count more data bytes.
        MaxData = 127,
        // Messages open at once; a first frame beyond them ends the oldest.
        MaxOpen = 16,
    };
    // What reassemble() makes of a frame; flow control and the other
    // frame types (3 .. 15) come back as their type and change nothing.
    enum Outcome { Rejected = -1, Pending = 0, Complete = 1 };

    // The tester's frames for a telegram, sent from 0x600 + its source
    // address; none when the bytes are no telegram with 1 to 127 data bytes.
    static QList<CANFrame> split(const QByteArray &telegram);

    int reassemble(const CANFrame &frame);
    // The telegram the last Complete made.
    const QByteArray &telegram() const { return done; }
    // Why the last frame was Rejected, for the log.
    const QString &lastError() const { return error; }
    // True while a first frame waits for its consecutive frames.
    bool isOpen() const { return !open.empty(); }
    // True while a first frame of that sender and target waits.
    bool isOpen(quint16 identifier, quint8 target) const;
    void reset();

    static quint8 sum(const char *bytes, int size);
    static quint8 sum(const QByteArray &bytes) { return sum(bytes.constData(), bytes.size()); }
    // True when the check byte is the 8-bit sum of the bytes, or else their
    // XOR (then "XOR CHKSUM!!!!!" goes to the debug output).
    static bool checksumOk(const char *bytes, int size, quint8 check);
    static bool checksumOk(const QByteArray &bytes, quint8 check)
    {
        return checksumOk(bytes.constData(), bytes.size(), check);
    }

private:
    // One message being reassembled.
    struct Message
    {
        quint16 identifier = 0;
        quint8 target = 0;
        int expected = 0;
        int sequence = 0;
        QByteArray payload;
    };
    int reject(const QString &why);
    int find(quint16 identifier, quint8 target) const;
    void close(quint16 identifier, quint8 target);
    void finish(quint16 identifier, quint8 target, const QByteArray &payload);

    std::vector<Message> open;
    QByteArray done;
    QString error;
};
