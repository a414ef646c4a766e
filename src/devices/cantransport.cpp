#include "cantransport.h"

#include <QDebug>

QList<CANFrame> CANTransport::split(const QByteArray &telegram)
{
    QList<CANFrame> frames;
    if (telegram.size() < 5)
        return frames;
    const int n = uchar(telegram.at(0)) - 0x80;
    if (n < 1 || n > MaxData || telegram.size() != n + 4)
        return frames;
    const char target = telegram.at(1);
    const quint16 identifier = quint16(EcuIdBase + uchar(telegram.at(2)));
    const char *data = telegram.constData() + 3;
    auto frame = [&](const QByteArray &bytes) {
        CANFrame f;
        f.identifier = identifier;
        f.length = bytes.size();
        f.data = bytes;
        frames.append(f);
    };
    if (n <= 6) {
        QByteArray single;
        single.reserve(2 + n);
        single.append(target).append(char(n)).append(data, n);
        frame(single);
        return frames;
    }
    QByteArray first;
    first.reserve(8);
    first.append(target).append(char(0x10 | (n >> 8))).append(char(n & 0xFF)).append(data, 5);
    frame(first);
    int sequence = 1;
    for (int at = 5; at < n; at += 6, ++sequence) {
        QByteArray next;
        next.reserve(8);
        next.append(target).append(char(0x20 | (sequence & 0x0F))).append(data + at, qMin(6, n - at));
        frame(next);
    }
    return frames;
}

void CANTransport::reset()
{
    payload.clear();
    expected = 0;
    sequence = 0;
}

int CANTransport::reject(const QString &why)
{
    error = why;
    return Rejected;
}

void CANTransport::finish(const CANFrame &frame)
{
    // [0x80 + n][the frame's address byte][the ECU][payload][sum]
    const int n = payload.size();
    done.resize(n + 4);
    done[0] = char(0x80 + n);
    done[1] = frame.data.at(0);
    done[2] = char(frame.identifier & 0xFF);
    for (int i = 0; i < n; ++i)
        done[3 + i] = payload.at(i);
    done[3 + n] = char(sum(done.constData(), n + 3));
    reset();
}

int CANTransport::reassemble(const CANFrame &frame)
{
    const QByteArray &d = frame.data;
    if (d.size() < 2)
        return reject(QStringLiteral("frame of %1 byte(s) has no control byte").arg(d.size()));
    const int control = uchar(d.at(1));
    const int type = control >> 4;
    const int nibble = control & 0x0F;
    switch (type) {
    case 0: {
        reset();
        if (nibble == 0 || nibble > 6)
            return reject(QStringLiteral("err invalid len: single frame of %1 byte(s)").arg(nibble));
        if (d.size() < 2 + nibble)
            return reject(QStringLiteral("single frame announces %1 byte(s), carries %2").arg(nibble).arg(d.size() - 2));
        payload = d.mid(2, nibble);
        finish(frame);
        return Complete;
    }
    case 1: {
        reset();
        if (d.size() < 3)
            return reject(QStringLiteral("first frame without its length"));
        const int length = nibble * 256 + uchar(d.at(2));
        if (length == 0)
            return reject(QStringLiteral("first frame announcing a length beyond 4095 bytes"));
        if (length > MaxData)
            return reject(QStringLiteral("first frame announces %1 bytes, a telegram holds %2").arg(length).arg(int(MaxData)));
        payload = d.mid(3, length);
        expected = length;
        sequence = 1;
        if (payload.size() >= expected) {
            finish(frame);
            return Complete;
        }
        return Pending;
    }
    case 2: {
        if (!isOpen())
            return reject(QStringLiteral("consecutive frame %1 without a first frame").arg(nibble));
        if (nibble != (sequence & 0x0F)) {
            const QString why = QStringLiteral("Sequence number error:frame:%1,seq:%2").arg(nibble).arg(sequence & 0x0F);
            reset();
            return reject(why);
        }
        payload.append(d.constData() + 2, qMin(qMin(6, d.size() - 2), expected - payload.size()));
        if (payload.size() >= expected) {
            finish(frame);
            return Complete;
        }
        ++sequence;
        return Pending;
    }
    default:
        return type;
    }
}

quint8 CANTransport::sum(const char *bytes, int size)
{
    unsigned s = 0;
    for (int i = 0; i < size; ++i)
        s += uchar(bytes[i]);
    return quint8(s);
}

bool CANTransport::checksumOk(const char *bytes, int size, quint8 check)
{
    if (sum(bytes, size) == check)
        return true;
    quint8 x = 0;
    for (int i = 0; i < size; ++i)
        x ^= quint8(bytes[i]);
    if (x != check)
        return false;
    qDebug() << "XOR CHKSUM!!!!!";
    return true;
}
