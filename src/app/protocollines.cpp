#include "protocollines.h"

#include <QScrollBar>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>

void ProtocolLines::append(QTextEdit *edit, const QString &line, const QColor &colour, bool italic)
{
    QTextCharFormat format;
    format.setForeground(colour);
    format.setFontItalic(italic);
    QTextCursor cursor(edit->document());
    cursor.movePosition(QTextCursor::End);
    // An empty first line leaves the document empty-looking: remember it.
    static const char *const started = "protocolStarted";
    if (!edit->document()->isEmpty() || edit->property(started).toBool())
        cursor.insertBlock();
    edit->setProperty(started, true);
    cursor.insertText(line, format);
    edit->verticalScrollBar()->setValue(edit->verticalScrollBar()->maximum());
}
