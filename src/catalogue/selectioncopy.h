#pragma once
// The clipboard copy of the table views: the selected cells as the view
// shows them, sorted by row and column, a TAB between cells of one row and
// an LF after the last cell of each row, whatever lies between them.
#include <QString>

class QAbstractItemView;
class QKeyEvent;

class SelectionCopy
{
public:
    // Empty when nothing is selected.
    static QString text(const QAbstractItemView *view);
    // For a Copy key press: puts text() on the clipboard (when there is any)
    // and returns true, the event consumed; false for any other key.
    static bool handle(const QAbstractItemView *view, QKeyEvent *event);
};
