#include "tablevaluestore.h"

#include <algorithm>

const TableValueStore::Entry *TableValueStore::find(int col, int row) const
{
    const auto it = byCell.constFind(qMakePair(col, row));
    return it == byCell.constEnd() ? nullptr : &all[it.value()];
}

void TableValueStore::save(int col, int row, double x, double y, double value, qint64 samples)
{
    const QPair<int, int> cell(col, row);
    auto it = byCell.find(cell);
    if (it == byCell.end()) {
        Entry entry;
        entry.x = x;
        entry.y = y;
        entry.col = col;
        entry.row = row;
        it = byCell.insert(cell, all.size());
        all.append(entry);
    }
    Entry &entry = all[it.value()];
    entry.value = value;
    entry.count += samples;
    entry.order = ++changes;
}

void TableValueStore::park(Entry entry)
{
    entry.binned = false;
    entry.order = ++changes;
    all.append(entry);
}

QVector<TableValueStore::Entry> TableValueStore::takeAll()
{
    QVector<Entry> taken;
    taken.swap(all);
    byCell.clear();
    std::stable_sort(taken.begin(), taken.end(),
                     [](const Entry &a, const Entry &b) { return a.order < b.order; });
    return taken;
}

void TableValueStore::clear()
{
    all.clear();
    byCell.clear();
}
