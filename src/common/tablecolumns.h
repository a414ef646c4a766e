#pragma once
// Column widths of the program's tables.
class QTableView;

class TableColumns
{
public:
    // Every column as wide as its contents, the last one stretched to the
    // view's edge. Sizing the columns to their contents sizes the last one
    // too, and asking again for a stretch that is already on does nothing:
    // the stretch is switched off and on so that it takes hold again.
    static void fitToContents(QTableView *view);
};
