#pragma once
// Turns a tab-separated translation table (source text, context, translation)
// into a gettext PO file that Qt's lrelease compiles into a job catalogue.
#include <QObject>
#include <QString>

class QTextStream;

class BivToPoConverter : public QObject
{
    Q_OBJECT
public:
    explicit BivToPoConverter(QObject *parent = nullptr);

    // An unreadable input gives a PO file with the header only; an unwritable
    // output writes nothing. False when the PO file could not be written in
    // full (a full disk); the PO file that was there is then kept unless
    // its folder takes no new file.
    bool convert(QString inputPath, QString outputPath);

    // The same conversion between streams; returns the number of entries.
    int convert(QTextStream &in, QTextStream &out);

    // The text as a PO string body: backslash and double quote escaped.
    static QString escape(const QString &text);
};
