// Two parsers of telegram traffic. The first input byte chooses:
// even: CAN frames for the ISO-TP reassembly, each [selector][bytes]: the
// selector gives the length 0..8 and one of two ECU identifiers; checked
// against a small reference model of the rules, kept per identifier and
// address byte (single frames of 1..6 bytes, first frames of 1..127 bytes,
// consecutive frames only in sequence while that sender's first frame is
// open; anything else of that sender closes its message; at most MaxOpen
// messages open, the oldest giving way), so no byte ever reaches the next
// message nor another sender's.
// odd: bytes EDIABAS writes, in reads of varying size and gaps, through
// the telegram framer: every telegram it gives has a 0x81..0x9F header,
// n + 4 bytes and a check byte that fits, and was sent as one piece; what
// it drops is told in a few short lines.
#include "cantransport.h"
#include "edtelegramframer.h"

#include <QByteArray>
#include <cstdint>
#include <cstdlib>

namespace {
struct Reference
{
    struct Open
    {
        quint16 id;
        char target;
        QByteArray payload;
        int expected;
        int sequence;
    };
    QList<Open> open;

    int find(quint16 id, char target) const
    {
        for (int i = 0; i < open.size(); ++i) {
            if (open[i].id == id && open[i].target == target)
                return i;
        }
        return -1;
    }

    // -1 rejected, 0 pending, 1 complete (telegram in `out`), >= 3 type.
    int take(quint16 id, const QByteArray &d, QByteArray &out)
    {
        if (d.size() < 2)
            return -1;
        const int type = uchar(d[1]) >> 4, nib = uchar(d[1]) & 0xF;
        if (type >= 3)
            return type;
        const int at = find(id, d[0]);
        QByteArray payload;
        if (type == 2) {
            if (at < 0)
                return -1;
            Open &m = open[at];
            if (nib != (m.sequence & 0xF)) {
                open.removeAt(at);
                return -1;
            }
            m.payload += d.mid(2, m.expected - m.payload.size());
            if (m.payload.size() < m.expected) {
                ++m.sequence;
                return 0;
            }
            payload = m.payload;
            open.removeAt(at);
        } else {
            if (at >= 0)
                open.removeAt(at);
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
                payload = d.mid(3, n);
                if (payload.size() < n) {
                    if (open.size() >= CANTransport::MaxOpen)
                        open.removeFirst();
                    open.append(Open{id, d[0], payload, n, 1});
                    return 0;
                }
            }
        }
        out = QByteArray(1, char(0x80 + payload.size())) + d[0] + char(id & 0xFF) + payload;
        out += char(CANTransport::sum(out));
        return 1;
    }
};

void frames(const uint8_t *data, size_t size)
{
    CANTransport transport;
    Reference model;
    size_t at = 0;
    while (at < size) {
        const int selector = data[at++];
        const int n = selector % 9;
        if (at + size_t(n) > size)
            break;
        CANFrame f;
        f.identifier = (selector / 9) % 2 ? 0x640 : 0x612;
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
        if (transport.isOpen() != !model.open.isEmpty())
            std::abort();
        for (const Reference::Open &m : model.open) {
            if (!transport.isOpen(m.id, quint8(m.target)))
                std::abort();
        }
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
    const QStringList dropped = framer.takeDropped();
    if (dropped.size() > EdTelegramFramer::MaxReasons + 1)
        std::abort();
    for (const QString &line : dropped) {
        if (line.size() > 160)
            std::abort();
    }
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
