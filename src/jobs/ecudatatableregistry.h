#pragma once
// The built-in ECU data tables: the text of each table under its key (the
// ECU key followed by "_DATATABLE"). The texts are compiled into the program
// as resources; the registry is filled once, on first use, and only read
// afterwards.
#include <QHash>
#include <QString>
#include <QStringList>

class EcuDataTableRegistry
{
public:
    static EcuDataTableRegistry *instance();
    static void destroy();

    bool contains(const QString &key) const { return texts.contains(key); }
    // The table text under the key; empty when there is none.
    QString tableText(const QString &key) const { return texts.value(key); }
    QStringList keys() const;

private:
    EcuDataTableRegistry();
    QHash<QString, QString> texts;
};
