#pragma once
// A kind of Innovate device: per channel (numbered from 1) its default
// sensor function and the functions it offers.
#include <QMap>
#include <QString>
#include <QStringList>

struct DeviceDef
{
    QString type;
    QString description;
    QMap<int, QString> defaultFunc;
    QMap<int, QStringList> functions;
};
