#include "mtschain.h"

#include <chrono>
#include <thread>

QByteArray MtsChain::header(bool data, int words)
{
    QByteArray h;
    h.append(char(0xA2 | (data ? 0x10 : 0) | ((words >> 7) & 1)));
    h.append(char(0x80 | (words & 0x7F)));
    return h;
}

QByteArray MtsChain::aux(int value)
{
    QByteArray w;
    w.append(char((value >> 7) & 0x3F));
    w.append(char(value & 0x7F));
    return w;
}

QByteArray MtsChain::lambda(int function, int afrMultiplier, int value)
{
    QByteArray r;
    r.append(char(0x42 | ((function & 7) << 2) | ((afrMultiplier >> 7) & 1)));
    r.append(char(afrMultiplier & 0x7F));
    r.append(char((value >> 7) & 0x3F));
    r.append(char(value & 0x7F));
    return r;
}

QByteArray MtsChain::dataPacket(const QByteArray &words)
{
    return header(true, words.size() / 2) + words;
}

QByteArray MtsChain::reply(quint8 code, const QByteArray &raw)
{
    QByteArray r = header(false, 1 + raw.size() / 2);
    r.append(char((code >> 7) & 1));
    r.append(char(code & 0x7F));
    return r + raw;
}

QByteArray MtsChain::namesReply(const QList<Device> &devices)
{
    QByteArray raw;
    for (const Device &d : devices) {
        QByteArray entry(1, '\x01');
        entry += d.name.toLatin1().left(7);
        entry.append(QByteArray(8 - entry.size(), '\0'));
        raw += entry;
    }
    return reply(0xCE, raw);
}

QByteArray MtsChain::typesReply(const QList<Device> &devices)
{
    QByteArray raw;
    for (const Device &d : devices) {
        QByteArray type = d.type.toLatin1().left(4);
        type.append(QByteArray(4 - type.size(), ' '));
        raw += QByteArray::fromHex("1120") + type + QByteArray::fromHex("0387");
    }
    return reply(0xF3, raw);
}

QByteArray MtsChain::lm1Packet(int function, int afrMultiplier, int lambdaValue, const QVector<int> &auxValues)
{
    QByteArray p;
    p.append(char(0x80 | ((function & 7) << 2) | ((afrMultiplier >> 7) & 1)));
    p.append(char(afrMultiplier & 0x7F));
    p.append(char((lambdaValue >> 7) & 0x3F));
    p.append(char(lambdaValue & 0x7F));
    p += aux(0);  // extra word
    for (int i = 0; i < 5; ++i)
        p += aux(i < auxValues.size() ? auxValues.at(i) : 0);
    return p;
}

MtsChain::MtsChain(PtyDevice &device)
    : dev(device)
    , responder(device)
{
}

MtsChain::~MtsChain()
{
    stop();
}

void MtsChain::setDevices(const QList<Device> &devices)
{
    setReplies(namesReply(devices), typesReply(devices));
}

void MtsChain::setReplies(const QByteArray &names, const QByteArray &types)
{
    ceReply = names;
    f3Reply = types;
}

void MtsChain::setData(const QList<QByteArray> &packets)
{
    data = packets;
}

void MtsChain::send(PtyDevice &d, const QByteArray &bytes)
{
    if (pieceSize <= 0) {
        d.write(bytes);
        return;
    }
    for (int at = 0; at < bytes.size(); at += pieceSize) {
        d.write(bytes.mid(at, pieceSize));
        std::this_thread::sleep_for(std::chrono::milliseconds(3));
    }
}

void MtsChain::start()
{
    responder.onReceive([this](const QByteArray &got, PtyDevice &d) {
        for (char c : got) {
            if (quint8(c) == 0xCE) {
                ++ceCount;
                send(d, ceReply);
            } else if (quint8(c) == 0xF3) {
                ++f3Count;
                send(d, f3Reply);
            }
        }
    });
    if (!data.isEmpty()) {
        int next = 0;
        QByteArray gathered;
        int gatheredCount = 0;
        responder.every(intervalMs, [this, next, gathered, gatheredCount](PtyDevice &d) mutable {
            gathered += garbage + data.at(next);
            next = (next + 1) % data.size();
            if (++gatheredCount < mergePackets)
                return;
            send(d, gathered);
            sent += gatheredCount;
            gathered.clear();
            gatheredCount = 0;
        });
    }
    responder.start();
}

void MtsChain::stop()
{
    responder.stop();
}
