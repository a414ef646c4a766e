#include "protocollines.h"

#include "readablecolour.h"

#include <QPalette>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>

namespace {

// The kind of a line, kept in its format so that a theme change can colour
// it again.
const int kindProperty = QTextFormat::UserProperty + 1;

QTextCharFormat formatOf(ProtocolLines::Kind kind, const QPalette &palette)
{
    QTextCharFormat format;
    format.setProperty(kindProperty, int(kind));
    format.setFontItalic(kind == ProtocolLines::Reply);
    const QColor colour = ProtocolLines::colour(kind, palette);
    if (colour.isValid())
        format.setForeground(colour);
    return format;
}

void recolour(QTextEdit *edit)
{
    const QPalette palette = edit->palette();
    QTextDocument *document = edit->document();
    for (QTextBlock block = document->begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            const QTextCharFormat current = fragment.charFormat();
            if (!current.hasProperty(kindProperty))
                continue;
            const auto kind = ProtocolLines::Kind(current.intProperty(kindProperty));
            const QColor colour = ProtocolLines::colour(kind, palette);
            if (!colour.isValid() || current.foreground().color() == colour)
                continue;
            QTextCursor cursor(document);
            cursor.setPosition(fragment.position());
            cursor.setPosition(fragment.position() + fragment.length(), QTextCursor::KeepAnchor);
            QTextCharFormat format;
            format.setForeground(colour);
            cursor.mergeCharFormat(format);
        }
    }
}

} // namespace

QColor ProtocolLines::colour(Kind kind, const QPalette &palette)
{
    const QColor base = palette.color(QPalette::Base);
    switch (kind) {
    case Error:
        return ReadableColour::on(Qt::red, base);
    case Reply:
        return ReadableColour::on(Qt::blue, base);
    case Plain:
        break;
    }
    return QColor();
}

void ProtocolLines::append(QTextEdit *edit, const QString &line, Kind kind)
{
    // Coloured against the theme's base: the edit takes its palette from
    // the style sheet when it is polished.
    edit->ensurePolished();
    ReadableColour::watchTheme(edit, "protocolLines", [edit] { recolour(edit); });
    QTextCursor cursor(edit->document());
    cursor.movePosition(QTextCursor::End);
    // An empty first line leaves the document empty-looking: remember it.
    static const char *const started = "protocolStarted";
    if (!edit->document()->isEmpty() || edit->property(started).toBool())
        cursor.insertBlock();
    edit->setProperty(started, true);
    cursor.insertText(line, formatOf(kind, edit->palette()));
    edit->verticalScrollBar()->setValue(edit->verticalScrollBar()->maximum());
}
