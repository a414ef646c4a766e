#pragma once
// One gauge definition: which job result a dial shows and how. Two
// definitions are the same gauge when they show the same job result.
#include <QColor>
#include <QString>

class GaugeDef
{
public:
    bool operator==(const GaugeDef &other) const
    {
        return jobName == other.jobName && resultName == other.resultName;
    }
    bool operator!=(const GaugeDef &other) const { return !(*this == other); }

    QString name;
    QString jobName;    // upper case
    QString resultName; // upper case
    double min = 0;
    double max = 0;
    QString title;
    QString unit;
    QColor needleColor;
    QColor color;
    QColor fillColor;
    QColor textColor;
    QColor titleColor;
    qint32 decimals = -1; // -1: no fixed number format
    double conversionFactor = 1.0;
};
