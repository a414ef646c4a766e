// Two parsers of telegram traffic. The first input byte chooses:
// even: CAN frames for the ISO-TP reassembly, each [length 0..8][bytes],
// checked against a small reference model of the rules (single frames of
// 1..6 bytes, first frames of 1..127 bytes, consecutive frames only in
// sequence while a first frame is open; anything else closes the message),
// so no byte ever reaches the next message.
// odd: bytes EDIABAS writes, in reads of varying size and gaps, through
// the telegram framer: every telegram it gives has a 0x81..0x9F header,
// n + 4 bytes and a check byte that fits, and was sent as one piece.
#include "cantransport.h"
#include "edtelegramframer.h"

#include <QByteArray>
#include <cstdint>
#include <cstdlib>

namespace {
struct Reference
{
    QByteArray payload;
    int expected = 0;
    int sequence = 0;

    // -1 rejected, 0 pending, 1 complete (telegram in `out`), >= 3 type.
    int take(quint16 id, const QByteArray &d, QByteArray &out)
    {
        if (d.size() < 2)
            return -1;
        const int type = uchar(d[1]) >> 4, nib = uchar(d[1]) & 0xF;
        if (type >= 3)
            return type;
        if (type == 2) {
            if (expected == 0)
                return -1;
            if (nib != (sequence & 0xF)) {
                expected = 0;
                payload.clear();
                return -1;
            }
            payload += d.mid(2, expected - payload.size());
            if (payload.size() < expected) {
                ++sequence;
                return 0;
            }
        } else {
            expected = 0;
            payload.clear();
            if (type == 0) {
                if (nib < 1 || nib > 6 || d.size() < 2 + nib)
                    return -1;
                payload = d.mid(2, nib);
            } else {
                if (d.size() < 3)
                    return -1;
                const int n = nib * 256 + uchar(d[2]);
                if (n < 1 || n > 127)
                    return -1;
                expected = n;
                sequence = 1;
                payload = d.mid(3, n);
                if (payload.size() < n)
                    return 0;
            }
        }
        out = QByteArray(1, char(0x80 + payload.size())) + d[0] + char(id & 0xFF) + payload;
        out += char(CANTransport::sum(out));
        expected = 0;
        payload.clear();
        return 1;
    }
};

void frames(const uint8_t *data, size_t size)
{
    CANTransport transport;
    Reference model;
    size_t at = 0;
    while (at < size) {
        const int n = data[at++] % 9;
        if (at + size_t(n) > size)
            break;
        CANFrame f;
        f.identifier = 0x612;
        f.data = QByteArray(reinterpret_cast<const char *>(data + at), n);
        f.length = n;
        at += size_t(n);
        QByteArray expected;
        const int want = model.take(f.identifier, f.data, expected);
        const int got = transport.reassemble(f);
        if (got != want)
            std::abort();
        if (got == CANTransport::Complete && transport.telegram() != expected)
            std::abort();
        if (transport.isOpen() != (model.expected > 0))
            std::abort();
    }
}

void ediabas(const uint8_t *data, size_t size)
{
    const QByteArray all(reinterpret_cast<const char *>(data), int(size));
    EdTelegramFramer framer;
    QList<QByteArray> out;
    qint64 now = 0;
    int at = 0;
    uint32_t r = size ? data[0] : 1;
    while (at < all.size()) {
        r = r * 1103515245u + 12345u;
        const int n = qMin(all.size() - at, int(1 + (r >> 16) % 24));
        now += (r >> 8) % 3 == 0 ? 150 : 1;
        framer.feed(all.mid(at, n), now, out);
        at += n;
    }
    framer.expire(now + 1000);
    if (framer.pendingSize() != 0)
        std::abort();
    for (const QByteArray &t : out) {
        const int header = uchar(t.at(0));
        if (header < 0x81 || header > 0x9F || t.size() != header - 0x80 + 4
            || !CANTransport::checksumOk(t.constData(), t.size() - 1, quint8(t.at(t.size() - 1)))
            || !all.contains(t))
            std::abort();
    }
    framer.takeDropped();
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 1)
        return 0;
    if (data[0] % 2 == 0)
        frames(data + 1, size - 1);
    else
        ediabas(data + 1, size - 1);
    return 0;
}
