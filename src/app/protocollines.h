#pragma once
// Appends one line to a tool window's protocol (a QTextEdit) as plain text.
// Texts come from EDIABAS, files and web servers: they are never read as
// HTML. Plain lines take the theme's text colour; errors show in red and
// replies in blue italics, each in a shade that reads on the theme's
// background, chosen again when the theme changes.
#include <QColor>
#include <QString>

class QPalette;
class QTextEdit;

class ProtocolLines
{
public:
    enum Kind { Plain, Error, Reply };

    static void append(QTextEdit *edit, const QString &line, Kind kind = Plain);
    // The colour a line of kind shows in on palette (its text on its base);
    // invalid for plain lines, which follow the palette's text colour.
    static QColor colour(Kind kind, const QPalette &palette);
};
