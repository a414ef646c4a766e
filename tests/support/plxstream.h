#pragma once
// Builds PLX real-time frames as a sensor hub sends them: 0x80, five 6-bit
// bytes per sensor (address high and low, instance, data high and low),
// 0x40.
#include <QByteArray>
#include <QList>

class PlxStream
{
public:
    struct Sensor
    {
        int address;
        int instance;
        int data;
    };

    static QByteArray record(int address, int instance, int data)
    {
        QByteArray r;
        r.append(char((address >> 6) & 0x3F));
        r.append(char(address & 0x3F));
        r.append(char(instance & 0x3F));
        r.append(char((data >> 6) & 0x3F));
        r.append(char(data & 0x3F));
        return r;
    }

    static QByteArray frame(const QList<Sensor> &sensors)
    {
        QByteArray f(1, char(0x80));
        for (const Sensor &s : sensors)
            f += record(s.address, s.instance, s.data);
        f.append(char(0x40));
        return f;
    }
};
