#include "mtsstreamparser.h"

#include <QDebug>
#include <cstring>

namespace {
bool lm1Style(quint8 b)
{
    return (b & 0xA2) == 0x80;
}
bool lambdaRecord(quint8 b)
{
    return lm1Style(b) || (b & 0xE2) == 0x42;
}
quint16 wordValue(quint8 high, quint8 low)
{
    return quint16(((high & 0x3F) << 7) | (low & 0x7F));
}
} // namespace

MTSStreamParser::MTSStreamParser()
{
    body.clear();
    packetReset();
}

void MTSStreamParser::packetReset()
{
    for (InnovateMTSChannel &c : body.channels)
        c.function = InnovateMTSPacket::EmptyEntry;
    body.lm1Extra = -1.0f;
    body.afrMultiplier = -1;
    body.channelCount = 0;
    // A data packet carries no reply bytes of an earlier reply.
    body.rawLength = 0;
}

bool MTSStreamParser::syncError()
{
    qDebug() << "syncerr";
    state = Hunting;
    lm1Skipped = false;
    syncedCount = 0;
    ++syncErrorCount;
    return false;
}

InnovateMTSChannel *MTSStreamParser::slot()
{
    return body.channelCount < InnovateMTSPacket::MaxChannels ? &body.channels[body.channelCount] : nullptr;
}

void MTSStreamParser::countSlot()
{
    if (body.channelCount < InnovateMTSPacket::MaxChannels)
        ++body.channelCount;
}

bool MTSStreamParser::endOfPacket()
{
    shift = 0;
    state = Hunting;
    // Entered in its middle, perhaps: the first old-style packet goes.
    if (oldLM1 && !lm1Skipped) {
        lm1Skipped = true;
        return false;
    }
    return true;
}

bool MTSStreamParser::feed(quint8 b)
{
    switch (state) {
    case Hunting:
        shift = quint16((shift << 8) + b);
        body.replyType = 0;
        if ((b & 0xA2) == 0xA2) {
            packetReset();
            remaining = qint16((b & 1) << 7);
            lastHigh = b;
            oldLM1 = false;
            lm1AuxLeft = 0;
            state = HeaderByte2;
        } else if (lm1Style(b) && !(shift & 0x8000)) {
            packetReset();
            remaining = 15;
            lastHigh = b;
            oldLM1 = true;
            lm1AuxLeft = 6;
            state = LambdaHeader2;
        }
        return false;

    case HeaderByte2:
        if (!(b & 0x80))
            return syncError();
        remaining = qint16((remaining + (b & 0x7F)) * 2);
        // A packet of no words has nothing to end it.
        if (remaining == 0)
            return syncError();
        state = (lastHigh & 0x10) ? DataWord : ReplyCode1;
        return false;

    case ReplyCode1:
        --remaining;
        body.replyType = quint8((b & 1) << 7);
        state = ReplyCode2;
        return false;

    case ReplyCode2:
        body.replyType = quint8(body.replyType + (b & 0x7F));
        --remaining;
        body.rawLength = 0;
        // A reply of one word ends with its code.
        if (remaining == 0) {
            state = Hunting;
            return true;
        }
        state = ReplyRaw;
        return false;

    case ReplyRaw:
        --remaining;
        if (body.rawLength < InnovateMTSPacket::MaxRaw)
            body.raw[body.rawLength++] = b;
        if (remaining == 0) {
            state = Hunting;
            return true;
        }
        return false;

    case DataWord:
        --remaining;
        if (remaining & 1) {
            lastHigh = b;
            if (lambdaRecord(b)) {
                // Header byte, lambda word, and an LM-1 record's extra word
                // must all lie inside the packet.
                if (remaining < (lm1Style(b) ? 5 : 3))
                    return syncError();
                state = LambdaHeader2;
                return false;
            }
            if (b & 0x80)
                return syncError();
            return false;
        }
        if (b & 0x80)
            return syncError();
        if (InnovateMTSChannel *c = slot()) {
            c->value = wordValue(lastHigh, b);
            c->isLM1 = lm1AuxLeft != 0 ? 1 : 0;
            c->function = InnovateMTSPacket::AuxChannel;
        }
        if (lm1AuxLeft)
            --lm1AuxLeft;
        countSlot();
        return remaining == 0 ? endOfPacket() : false;

    case LambdaHeader2:
        if (b & 0x80)
            return syncError();
        --remaining;
        if (InnovateMTSChannel *c = slot())
            c->function = quint8((lastHigh >> 2) & 7);
        if (body.afrMultiplier == -1)
            body.afrMultiplier = qint16((b & 0x7F) + ((lastHigh & 1) ? 0x80 : 0));
        lm1AuxLeft = lm1Style(lastHigh) ? 6 : 0;
        state = LambdaHigh;
        return false;

    case LambdaHigh:
        if (b & 0x80)
            return syncError();
        --remaining;
        lastHigh = b;
        state = LambdaLow;
        return false;

    case LambdaLow: {
        if (b & 0x80)
            return syncError();
        --remaining;
        InnovateMTSChannel *c = slot();
        if (c)
            c->value = wordValue(lastHigh, b);
        if (oldLM1 || lm1AuxLeft) {
            if (c)
                c->isLM1 = 1;
            if (lm1AuxLeft)
                --lm1AuxLeft;
            countSlot();
            state = ExtraHigh;
            return false;
        }
        if (c)
            c->isLM1 = 0;
        countSlot();
        if (remaining != 0) {
            state = DataWord;
            return false;
        }
        state = Hunting;
        if (syncedCount >= syncNeeded - 1)
            return true;
        qDebug() << "not yet synced enough packets";
        ++syncedCount;
        return false;
    }

    case ExtraHigh:
        if (b & 0x80)
            return syncError();
        --remaining;
        lastHigh = b;
        state = ExtraLow;
        return false;

    case ExtraLow: {
        if (b & 0x80)
            return syncError();
        --remaining;
        const int m = (lastHigh >> 3) & 7;
        const int v = ((lastHigh & 7) << 7) | (b & 0x7F);
        const float product = float(m * v);
        const float scaled = product * 5.0f;
        body.lm1Extra = scaled / 1023.0f;
        // An LM-1 record may close a new-style packet.
        if (remaining == 0)
            return endOfPacket();
        state = DataWord;
        return false;
    }
    }
    return syncError();
}

void MTSStreamParser::copyPacket(InnovateMTSPacket &packet, bool withRaw) const
{
    packet.afrMultiplier = body.afrMultiplier;
    packet.lm1Extra = body.lm1Extra;
    packet.channelCount = body.channelCount;
    std::memcpy(packet.channels, body.channels, sizeof packet.channels);
    packet.rawLength = body.rawLength;
    packet.replyType = body.replyType;
    if (withRaw)
        std::memcpy(packet.raw, body.raw, sizeof packet.raw);
}
