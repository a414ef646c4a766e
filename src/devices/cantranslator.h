#pragma once
// The CAN side of the bridge: drives a USBtin-like SLCAN adapter, sends
// each telegram from EDIABAS (inProxy, called from the EdPort's thread) as
// ISO-TP frames from 0x6F1, answers an ECU's first frame with a flow
// control addressed to that ECU, reassembles the ECU's frames into a
// telegram and hands it back (fromPrxy, connected directly to
// EdPort::fromProxy). Frames from 0x600 + ECU address are read; other
// frames and the adapter's transmit acknowledgements are ignored. What the
// adapter answers to a command ("V0107" to "V", a BELL for a command it
// refuses) is handed on as text through answered(), a batch per turn of the
// loop; the bare "\r" that says a command was done is not. When the loop
// ends it closes the CAN channel and flushes.
#include "bridgeworker.h"
#include "cantransport.h"

#include <QStringList>

class QSerialPort;

class CANTranslator : public BridgeWorker
{
    Q_OBJECT
public:
    explicit CANTranslator(const QString &portName, QObject *parent = nullptr);

    // The adapter's set-up, in the order sent.
    static QByteArray initCommands();
    // The flow control that lets an ECU send the rest of its answer.
    static QByteArray flowControl(quint8 ecu);
    // An answer line as the user reads it: printable characters as they
    // are, a lone BELL as "refused (BEL)", other bytes as "\xNN".
    static QString answerText(const QByteArray &line);

signals:
    void fromPrxy(QByteArray arr);
    void answered(QStringList answers);

public slots:
    void startLoop();
    // Any thread: a telegram to send as CAN frames.
    void inProxy(QByteArray arr);
    // Any thread: bytes to write to the adapter as they are (a command).
    void sendRaw(QByteArray bytes);
    void startOk();

private:
    enum Kind { Telegram, Raw };
    void send(QSerialPort &port, const HandOver &h);
    // Adds the line's text to answers when it is an answer of the adapter.
    void handleLine(QSerialPort &port, QByteArray line, QStringList &answers);

    CANTransport transport;
};
