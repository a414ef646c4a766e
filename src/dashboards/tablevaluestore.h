#pragma once
// What one value table of the 2-D chart has stored: per cell the value it
// shows (last, minimum, maximum, count, or for the average the running sum),
// how many samples fell into it and the raw X and Y of its first sample,
// so that the cells can be binned anew when the grid changes.
#include <QHash>
#include <QPair>
#include <QVector>

class TableValueStore
{
public:
    struct Entry
    {
        double x = 0.0;     // raw X of the first sample of the cell
        double y = 0.0;     // raw Y of the first sample of the cell
        double value = 0.0; // the value of the cell (for the average, the sum)
        qint64 count = 0;   // samples that fell into the cell
        int col = 0;
        int row = 0;
        bool binned = true; // false: the current grid has no cell for it
        quint64 order = 0;  // when the entry changed last
    };

    // The entry of the cell, or null.
    const Entry *find(int col, int row) const;
    // Gives the cell the value and adds samples to its count. A new cell
    // keeps x and y as its raw coordinates; an existing one keeps its own.
    void save(int col, int row, double x, double y, double value, qint64 samples = 1);
    // Keeps an entry for which the current grid has no cell; a later grid
    // may have one.
    void park(Entry entry);
    // Every entry, least recently changed first; the store is left empty.
    QVector<Entry> takeAll();
    const QVector<Entry> &entries() const { return all; }
    int size() const { return all.size(); }
    void clear();

private:
    QVector<Entry> all;
    QHash<QPair<int, int>, int> byCell; // (col, row) -> index into all
    quint64 changes = 0;
};
