#pragma once
// One CAN data frame as a USB-CAN adapter reports it in SLCAN text: "t",
// three hex digits of an 11-bit identifier, the data length 0 to 8, two hex
// digits per data byte and, while the adapter's stamps are on ("Z1"), four
// hex digits of its millisecond clock. A value and a plain parser: anything
// else (command answers, BELL, extended "T" or remote "r" frames, short,
// long or non-hex lines) is refused, never read as identifier 0.
#include <QByteArray>
#include <QString>
#include <QtGlobal>

class CANFrame
{
public:
    enum {
        MaxLength = 8,
        // No frame line is longer than 25 characters; readers drop lines
        // past this cap instead of collecting an endless one.
        MaxLine = 64,
    };

    quint16 identifier = 0;
    // The adapter's stamp in ms (0 .. 0xFFFF); 0 without one.
    quint64 timeStamp = 0;
    int length = 0;
    QByteArray data;
    bool stamped = false;

    // A frame line without its "\r", with or without a stamp (the bridge's
    // adapter has stamps off; one left on by another program is ignored).
    static bool parse(const char *line, int size, CANFrame &out);
    static bool parse(const QByteArray &line, CANFrame &out) { return parse(line.constData(), line.size(), out); }
    // A frame line that must carry its stamp (the listener's).
    static bool parseStamped(const char *line, int size, CANFrame &out);
    static bool parseStamped(const QByteArray &line, CANFrame &out)
    {
        return parseStamped(line.constData(), line.size(), out);
    }

    // The line the adapter sends for the frame, without "\r": identifier
    // in upper case, data in lower case ("t6F1412021a80").
    QByteArray toSlcan() const;
    // "F1:4:12021a80": the identifier's low byte, the length, the data.
    QString debugText() const;

private:
    static bool parseLine(const char *line, int size, bool stampRequired, CANFrame &out);
};
