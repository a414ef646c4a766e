#pragma once
// One packet of an Innovate MTS chain as the stream parser cut it: a data
// packet (replyType 0) with one channel entry per decoded word, or the
// reply to a query (0xCE: device names, 0xF3: device types) with its raw
// payload. A plain value, passed by value through signals.
#include <QMetaType>
#include <QStringList>
#include <QtGlobal>

struct InnovateMTSChannel
{
    quint8 isLM1 = 0;      // the word belongs to an LM-1 record
    quint8 function = 10;  // 0..7 lambda function code, 9 auxiliary channel, 10 empty entry
    quint16 value = 0;     // the 13-bit raw value
};

class InnovateMTSPacket
{
public:
    enum { MaxChannels = 64, MaxRaw = 256 };
    enum Function { AuxChannel = 9, EmptyEntry = 10 };
    enum Query { DeviceNames = 0xCE, DeviceTypes = 0xF3 };

    InnovateMTSPacket();

    // Zeroes the raw payload only.
    void clear();

    // Each device of a 0xCE reply takes 8 bytes; its name is the last 7 of
    // them, cut at the first zero byte, with other control bytes as "?".
    QStringList deviceNames() const;
    // Each device of a 0xF3 reply takes 8 bytes; its type is the 4 from the
    // third on (control bytes as "?"). A reply of 7 bytes or fewer has none.
    QStringList deviceTypes() const;

    qint64 prevPacketTime = 0;  // when the packet before was emitted (ms since the epoch)
    qint64 elapsedMs = 0;       // milliseconds since that packet
    qint16 afrMultiplier = -1;  // of the first lambda record, -1 when none
    float lm1Extra = -1.0f;     // the extra word of an LM-1 record, -1 when none
    qint32 channelCount = 0;
    InnovateMTSChannel channels[MaxChannels];
    quint16 rawLength = 0;
    quint8 replyType = 0;
    quint8 raw[MaxRaw];
    quint8 spare = 0;
};

Q_DECLARE_METATYPE(InnovateMTSPacket)
