#pragma once
// Appends one line to a tool window's protocol (a QTextEdit) as plain text
// in the given colour and slant. Texts come from EDIABAS, files and web
// servers: they are never read as HTML.
#include <QColor>
#include <QString>

class QTextEdit;

class ProtocolLines
{
public:
    static void append(QTextEdit *edit, const QString &line, const QColor &colour = Qt::black, bool italic = false);
};
