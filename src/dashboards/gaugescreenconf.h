#pragma once
// A gauge screen: the definitions it shows (one group of its file each, in
// ascending order of their names) and the number of columns to lay them out.
#include <QList>
#include <QMap>
#include <QString>

class GaugeScreenElement
{
public:
    QString name;                   // the definition's name
    QMap<QString, QString> values;  // the keys of its group, as read
};

class GaugeScreenConf
{
public:
    QString name;
    QList<GaugeScreenElement> elements;
    qint32 columns = 0;
};
