#pragma once
// Cuts the byte stream of an Innovate MTS chain into packets, one byte at a
// time. Recognises new-style packets (a two-byte header with the length in
// words; data packets of lambda records and auxiliary words, or replies to
// a query) and old LM-1 packets of 16 bytes. A byte that breaks the format
// is a synchronisation error: the partial packet goes and the parser hunts
// for the next header.
//
// Two packets are never emitted: the first old-style LM-1 packet after a
// resynchronisation, and the first data packet ending in a lambda word (it
// may have been entered in the middle). Channel entries past 64 and reply
// bytes past 256 are dropped.
//
// A plain codec: no port, no timer, no signal.
#include "innovatemtspacket.h"

class MTSStreamParser
{
public:
    MTSStreamParser();

    // One byte of the stream; true when it completed a packet, which
    // copyPacket() then hands out (until the next byte).
    bool feed(quint8 byte);
    // The packet's body (afrMultiplier through channels), rawLength,
    // replyType and, with withRaw, the raw payload. Timing fields and the
    // spare byte stay as they are.
    void copyPacket(InnovateMTSPacket &packet, bool withRaw = true) const;

    int syncErrors() const { return syncErrorCount; }

private:
    enum State {
        Hunting = 0,
        HeaderByte2 = 1,
        ReplyRaw = 2,
        DataWord = 3,
        LambdaHeader2 = 4,
        LambdaHigh = 5,
        LambdaLow = 6,
        ExtraHigh = 7,
        ExtraLow = 8,
        ReplyCode1 = 9,
        ReplyCode2 = 10,
    };

    void packetReset();
    bool syncError();
    // The entry the next word goes to; null once 64 are filled.
    InnovateMTSChannel *slot();
    void countSlot();
    // A packet ended with the word just read.
    bool endOfPacket();

    InnovateMTSPacket body;
    bool oldLM1 = false;
    qint16 remaining = 0;
    quint8 lastHigh = 0;
    bool lm1Skipped = false;
    quint8 syncedCount = 0;
    int state = Hunting;
    quint8 lm1AuxLeft = 0;
    quint16 shift = 0;
    static constexpr quint8 syncNeeded = 2;
    int syncErrorCount = 0;
};
