#pragma once
// A USBtin-like SLCAN adapter on the master side of a PtyDevice, with the
// ECUs behind it, for the CAN listener and the CAN bridge:
//
//     PtyDevice dev;
//     SlcanAdapter adapter(dev);
//     adapter.stream({SlcanAdapter::frameLine(0x0AA, bytes, 0x1234)}, 20);
//     adapter.answer(0x12, QByteArray::fromHex("5a800102"));
//     adapter.start();
//
// - Every command the program sends ("\r"-ended) is recorded. "V" is
//   answered "V0107\r", the other known commands (C O S Z W M m v N F L)
//   "\r", unknown ones with BELL (0x07), every frame the program sends
//   ("t...") with "z\r".
// - stream() sends lines (a "\r" is added) one per interval while the CAN
//   channel is open ("O" received, no "C" since).
// - answer() scripts an ECU: its next complete ISO-TP request (frames from
//   0x6F1 whose first byte is the ECU's address) is answered from
//   0x600 + address, as a single frame, or as a first frame and, once a
//   flow control addressed to that ECU came, the consecutive frames. A
//   fault spoils an answer on demand (the second consecutive frame: a
//   skipped sequence number, left out, cut short, or with non-hex digits).
// - send() writes raw bytes (answers, garbage) at once.
//
// Everything runs in the responder's thread; the accessors are safe from
// the test's thread.
#include "ptydevice.h"
#include "ptyresponder.h"

#include <QByteArray>
#include <QList>
#include <QMap>
#include <mutex>

class SlcanAdapter
{
public:
    enum Fault { NoFault, Padded, WrongSequence, MissingConsecutive, TruncatedLine, NonHexLine };

    struct Request
    {
        quint8 ecu;
        QByteArray payload;
    };

    explicit SlcanAdapter(PtyDevice &device);
    ~SlcanAdapter();
    SlcanAdapter(const SlcanAdapter &) = delete;
    SlcanAdapter &operator=(const SlcanAdapter &) = delete;

    void start();
    void stop();

    // "t", the identifier as three upper-case hex digits, the length, the
    // data in upper-case hex and, when stamp >= 0, four hex digits of it.
    static QByteArray frameLine(quint16 identifier, const QByteArray &data, int stamp = -1);

    void stream(const QList<QByteArray> &lines, int intervalMs, bool loop = false);
    int linesStreamed() const;
    void send(const QByteArray &bytes);
    void answer(quint8 ecu, const QByteArray &payload, Fault fault = NoFault);

    QByteArray received() const;
    // The commands received, without their "\r"; empty ones left out.
    QList<QByteArray> commands() const;
    bool waitForCommand(const QByteArray &command, int timeoutMs) const;
    bool channelOpen() const;
    QList<Request> requests() const;
    bool waitForRequests(int n, int timeoutMs) const;
    // The flow-control lines the program sent, in order.
    QList<QByteArray> flowControls() const;

private:
    struct Pending
    {
        QByteArray payload;
        Fault fault = NoFault;
    };
    struct Incoming
    {
        QByteArray payload;
        int expected = 0;
    };
    void onBytes(const QByteArray &bytes, PtyDevice &d);
    void command(const QByteArray &cmd, PtyDevice &d);
    void testerFrame(const QByteArray &line, const QByteArray &data, PtyDevice &d);
    void answerRequest(quint8 ecu, PtyDevice &d);
    void sendConsecutive(quint8 ecu, PtyDevice &d);
    void tick(PtyDevice &d);

    PtyDevice &dev;
    PtyResponder responder;
    mutable std::mutex mutex;
    QByteArray lineBuffer;
    QList<QByteArray> commandLog;
    bool open = false;
    QList<QByteArray> streamLines;
    int streamInterval = 0;
    bool streamLoop = false;
    int streamAt = 0;
    int streamedCount = 0;
    qint64 lastStreamMs = -1;
    QMap<quint8, QList<Pending>> scripted;
    QMap<quint8, Incoming> incoming;
    // Answers sent as a first frame, waiting for their flow control.
    QMap<quint8, Pending> awaitingFlowControl;
    QList<Request> requestLog;
    QList<QByteArray> flowControlLog;
    QByteArray outbox;
};
