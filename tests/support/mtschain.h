#pragma once
// An Innovate MTS chain on the master side of a PtyDevice, played by a
// PtyResponder: it answers the queries 0xCE (device names) and 0xF3
// (device types) with reply packets and sends a data packet every 82 ms.
// Writes can be cut into pieces or several packets merged into one write,
// and garbage can go before each data packet, so that the program meets
// packets cut and joined across its reads.
//
//     PtyDevice dev;
//     MtsChain chain(dev);
//     chain.setDevices({{"LM-2", "LM-2"}, {"AUX4", "AUX4"}});
//     chain.setData({MtsChain::dataPacket(MtsChain::lambda(0, 147, 500) + MtsChain::aux(300))});
//     chain.start();
//
// The static builders make the bytes of packets for any test.
#include "ptydevice.h"
#include "ptyresponder.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QVector>
#include <atomic>

class MtsChain
{
public:
    struct Device
    {
        QString name;  // up to 7 characters
        QString type;  // 4 characters
    };

    // A packet header: data or reply, length in words.
    static QByteArray header(bool data, int words);
    // One auxiliary word (13-bit value).
    static QByteArray aux(int value);
    // A new-style lambda record: header word with function code and AFR
    // multiplier, then the lambda word.
    static QByteArray lambda(int function, int afrMultiplier, int value);
    // A data packet of whole words.
    static QByteArray dataPacket(const QByteArray &words);
    // A reply packet to query code with its raw payload.
    static QByteArray reply(quint8 code, const QByteArray &raw);
    static QByteArray namesReply(const QList<Device> &devices);
    static QByteArray typesReply(const QList<Device> &devices);
    // An old-style LM-1 packet: lambda, extra word, five auxiliary words.
    static QByteArray lm1Packet(int function, int afrMultiplier, int lambdaValue, const QVector<int> &aux);

    explicit MtsChain(PtyDevice &device);
    ~MtsChain();
    MtsChain(const MtsChain &) = delete;
    MtsChain &operator=(const MtsChain &) = delete;

    // Set before start().
    void setDevices(const QList<Device> &devices);
    void setReplies(const QByteArray &namesReply, const QByteArray &typesReply);
    // Data packets sent in turn, one each interval.
    void setData(const QList<QByteArray> &packets);
    void setIntervalMs(int ms) { intervalMs = ms; }
    // Every write cut into pieces of that many bytes, a little apart.
    void splitWrites(int bytes) { pieceSize = bytes; }
    // That many data packets gathered into one write.
    void mergeWrites(int packets) { mergePackets = qMax(1, packets); }
    // Bytes sent before each data packet.
    void setGarbage(const QByteArray &bytes) { garbage = bytes; }

    void start();
    void stop();

    // How often the program sent the query byte.
    int queries(quint8 code) const { return code == 0xCE ? ceCount.load() : code == 0xF3 ? f3Count.load() : 0; }
    int packetsSent() const { return sent.load(); }
    QByteArray received() const { return responder.received(); }

private:
    void send(PtyDevice &d, const QByteArray &bytes);

    PtyDevice &dev;
    PtyResponder responder;
    QByteArray ceReply;
    QByteArray f3Reply;
    QList<QByteArray> data;
    QByteArray garbage;
    int intervalMs = 82;
    int pieceSize = 0;
    int mergePackets = 1;
    std::atomic<int> ceCount{0};
    std::atomic<int> f3Count{0};
    std::atomic<int> sent{0};
};
