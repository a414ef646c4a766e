#pragma once
// The PLX real-time stream: frames of a start byte 0x80, sensor records of
// five 6-bit bytes (address high and low, instance, data high and low) and
// a stop byte 0x40. feed() collects frames across reads and gives the last
// complete one of what it was fed; a frame cut at the end stays for the
// next call. A frame's body is whole records: one with a byte above 0x3F
// inside, a body that is no whole number of records (a frame that lost its
// start byte, read on from the start of another), an empty one, or one
// longer than MaxFrame is dropped, never decoded. A plain class: it takes
// bytes and gives values.
#include <QByteArray>
#include <QString>

class PLXStreamDecoder
{
public:
    enum { Start = 0x80, Stop = 0x40, RecordSize = 5, MaxFrame = 8192 };
    // The marker of a value the conversion table has no formula for.
    static constexpr double NoValue = -999.0;

    struct Record
    {
        int address = 0;
        int instance = 0;
        int data = 0;
    };

    // Consumes the bytes; true when a frame was completed by them, frame
    // then holds the last one (start and stop byte included).
    bool feed(const char *bytes, int count, QByteArray &frame);
    bool feed(const QByteArray &bytes, QByteArray &frame) { return feed(bytes.constData(), bytes.size(), frame); }
    // Frames dropped for a byte above 0x3F inside or for their length.
    int droppedFrames() const { return dropped; }
    // The bytes of an unfinished frame kept for the next call.
    const QByteArray &pending() const { return buffer; }
    void reset();

    // The number of records in a complete frame (5n + 2 bytes give n).
    static int recordCount(const QByteArray &frame);
    // Record k of a complete frame.
    static Record record(const QByteArray &frame, int k);
    // The result name of a sensor: the prefix of its kind and the instance,
    // or "STAT_SENSOR_" + address + "_" + instance for kinds without one.
    static QByteArray resultName(int address, int instance);
    // The value of a raw reading in a unit (the unit codes of the sensor
    // definitions); NoValue where the table has no formula.
    static double convertValue(int address, int unit, int raw);

private:
    QByteArray buffer;
    bool inFrame = false;
    int dropped = 0;
};
