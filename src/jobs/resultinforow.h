#pragma once
// One row of an ECU data table: where one value sits in the reply to one
// telegram, how it is encoded and scaled, and what the result is called.
// Every field is text; numbers are read where they are used.
#include <QString>
#include <QStringList>

class ResultInfoRow
{
public:
    // The columns of a table line, in their order in the text.
    enum Column {
        ColName, ColTelegram, ColPosAdr, ColLenAdr, ColAdr, ColByte, ColDataType,
        ColCompuType, ColFactA, ColFactB, ColMask, ColValue, ColAnz, ColMeas,
        ColRange, ColJobName, ColLName, ColumnCount
    };

    // A row from the fields of a table line; missing fields stay empty,
    // fields past the last column are ignored.
    static ResultInfoRow fromFields(const QStringList &fields)
    {
        ResultInfoRow r;
        auto f = [&fields](int i) { return i < fields.size() ? fields.at(i) : QString(); };
        r.NAME = f(ColName);
        r.TELEGRAM = f(ColTelegram);
        r.POS_ADR = f(ColPosAdr);
        r.LEN_ADR = f(ColLenAdr);
        r.ADR = f(ColAdr);
        r.BYTE = f(ColByte);
        r.DATA_TYPE = f(ColDataType);
        r.COMPU_TYPE = f(ColCompuType);
        r.FACT_A = f(ColFactA);
        r.FACT_B = f(ColFactB);
        r.MASK = f(ColMask);
        r.VALUE = f(ColValue);
        r.ANZ = f(ColAnz);
        r.MEAS = f(ColMeas);
        r.RANGE = f(ColRange);
        r.JOBNAME = f(ColJobName);
        r.LNAME = f(ColLName);
        return r;
    }

    QString NAME;
    QString JOBNAME;
    QString LNAME;
    QString TELEGRAM;
    QString BYTE;
    QString DATA_TYPE;
    QString MASK;
    QString VALUE;
    QString COMPU_TYPE;
    QString FACT_A;
    QString FACT_B;
    QString ANZ;
    QString MEAS;
    QString POS_ADR;
    QString LEN_ADR;
    QString ADR;
    QString RANGE;
};
