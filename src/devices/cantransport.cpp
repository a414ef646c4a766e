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
    open.clear();
}

int CANTransport::reject(const QString &why)
{
    error = why;
    return Rejected;
}

int CANTransport::find(quint16 identifier, quint8 target) const
{
    for (int i = 0; i < int(open.size()); ++i) {
        if (open[size_t(i)].identifier == identifier && open[size_t(i)].target == target)
            return i;
    }
    return -1;
}

bool CANTransport::isOpen(quint16 identifier, quint8 target) const
{
    return find(identifier, target) >= 0;
}

void CANTransport::close(quint16 identifier, quint8 target)
{
    const int i = find(identifier, target);
    if (i >= 0)
        open.erase(open.begin() + i);
}

void CANTransport::finish(quint16 identifier, quint8 target, const QByteArray &payload)
{
    // [0x80 + n][the frames' address byte][the ECU][payload][sum]
    const int n = payload.size();
    done.resize(n + 4);
    done[0] = char(0x80 + n);
    done[1] = char(target);
    done[2] = char(identifier & 0xFF);
    for (int i = 0; i < n; ++i)
        done[3 + i] = payload.at(i);
    done[3 + n] = char(sum(done.constData(), n + 3));
}

int CANTransport::reassemble(const CANFrame &frame)
{
    const QByteArray &d = frame.data;
    if (d.size() < 2)
        return reject(QStringLiteral("frame of %1 byte(s) has no control byte").arg(d.size()));
    const quint16 id = frame.identifier;
    const quint8 target = quint8(d.at(0));
    const int control = uchar(d.at(1));
    const int type = control >> 4;
    const int nibble = control & 0x0F;
    switch (type) {
    case 0: {
        close(id, target);
        if (nibble == 0 || nibble > 6)
            return reject(QStringLiteral("err invalid len: single frame of %1 byte(s)").arg(nibble));
        if (d.size() < 2 + nibble)
            return reject(QStringLiteral("single frame announces %1 byte(s), carries %2").arg(nibble).arg(d.size() - 2));
        finish(id, target, d.mid(2, nibble));
        return Complete;
    }
    case 1: {
        close(id, target);
        if (d.size() < 3)
            return reject(QStringLiteral("first frame without its length"));
        const int length = nibble * 256 + uchar(d.at(2));
        if (length == 0)
            return reject(QStringLiteral("first frame announcing a length beyond 4095 bytes"));
        if (length > MaxData)
            return reject(QStringLiteral("first frame announces %1 bytes, a telegram holds %2").arg(length).arg(int(MaxData)));
        if (d.size() - 3 >= length) {
            finish(id, target, d.mid(3, length));
            return Complete;
        }
        if (open.size() >= size_t(MaxOpen))
            open.erase(open.begin());
        Message m;
        m.identifier = id;
        m.target = target;
        m.expected = length;
        m.sequence = 1;
        m.payload = d.mid(3);
        open.push_back(std::move(m));
        return Pending;
    }
    case 2: {
        const int i = find(id, target);
        if (i < 0)
            return reject(QStringLiteral("consecutive frame %1 of %2 without a first frame")
                              .arg(nibble)
                              .arg(id, 3, 16, QLatin1Char('0')));
        Message &m = open[size_t(i)];
        if (nibble != (m.sequence & 0x0F)) {
            const QString why =
                QStringLiteral("Sequence number error:frame:%1,seq:%2").arg(nibble).arg(m.sequence & 0x0F);
            open.erase(open.begin() + i);
            return reject(why);
        }
        m.payload.append(d.constData() + 2, qMin(qMin(6, d.size() - 2), m.expected - m.payload.size()));
        if (m.payload.size() >= m.expected) {
            finish(id, target, m.payload);
            open.erase(open.begin() + i);
            return Complete;
        }
        ++m.sequence;
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
