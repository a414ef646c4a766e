#pragma once
// One serial exchange with an ECU behind a K-line adapter: the request as
// sent, every byte received since (the adapter echoes the request before the
// ECU answers), the reply once it has been cut out, and how far it got.
//
// Two reply layouts, chosen by the start of the request:
//   ME72 (request B8 12 F1 ...): format, target, source, length L, L data
//        bytes, check byte; the reply is L + 5 bytes long.
//   MS4x (anything else): address, length L, data, check byte; L counts
//        the whole reply.
// The length byte is signed: a negative reply length (the KWP2000 replies of
// the fast serial ECUs, whose second byte is a target address) takes every
// byte after the echo. The reply's last byte is the XOR of the others.
#include <QByteArray>
#include <QString>
#include <log4cplus/logger.h>
#include <string>

class EcuMsg
{
public:
    enum TelegramKind { ME72 = 0, MS4x = 1 };
    enum Status {
        NoEcho = 0,        // the received bytes do not begin with the request
        Complete = 1,      // whole reply, check byte right
        ChecksumError = 2, // whole reply, check byte wrong (or no check byte)
        Incomplete = 3     // too few bytes so far
    };

    EcuMsg();

    void clear();
    void setTelegram(const QByteArray &telegram);
    void addData(const QByteArray &bytes);
    void updateStatus();

    int status() const { return m_status; }
    void setStatus(int status) { m_status = status; }
    bool hasError() const { return m_status == ChecksumError || m_status == NoEcho; }
    int bufferLength() const { return receiveBuffer.size(); }
    QByteArray message() const { return m_message; }
    QByteArray sentTelegram() const { return m_sentTelegram; }
    int telegramKind() const { return m_telegramKind; }

    // The reply's length byte (sign-extended), or -1 while it has not arrived.
    int getActualMsgLength(const QByteArray &buffer) const;
    // The reply cut out of the buffer, bounded by what has been received.
    QByteArray extractMessage(const QByteArray &buffer) const;
    // The message's last byte; 0 for an empty message.
    unsigned char getCheckSum(const QByteArray &message) const;

    bool checkTelLen(const QByteArray &buffer);
    bool checkTelStart(const QByteArray &buffer);
    bool canReadMsgLen(const QByteArray &buffer);
    bool canReadFullMsg(const QByteArray &buffer);

    static unsigned char xorCheckSum(const QByteArray &bytes);
    // The low 8 bits of the sum of all bytes: the check byte of the fast
    // serial ECUs.
    static unsigned char sumCheckSum(const QByteArray &bytes);

    // Hexadecimal telegram text to bytes: two digits a byte, any other
    // character ignored, with an odd count the first digit alone is a byte.
    static QByteArray telegramBytes(const std::string &telegram);
    // "D73N57C0_SERIAL" and "MRMA24_SERIAL" (compared upper-cased) talk
    // KWP2000 with a length header and a sum check byte.
    static bool isFastSerialEcu(const std::string &ecuName);
    // The request written to the port for a job: the telegram bytes (for a
    // fast serial ECU with byte 0 set to the KWP2000 format byte) and the
    // check byte. Empty when the telegram holds no hexadecimal digit: then
    // there is nothing to send.
    static QByteArray buildRequest(const std::string &ecuName, const std::string &telegram);

private:
    QByteArray receiveBuffer;
    QByteArray m_sentTelegram;
    int m_status = Incomplete;
    QByteArray m_message;
    int m_telegramKind = MS4x;
    log4cplus::Logger logger;
};
