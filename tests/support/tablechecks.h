#pragma once
// Checks on table views shown in tests.
#include <QHeaderView>
#include <QTableView>

namespace TableChecks {

// Whether the last column ends at the right edge of the view, as a stretched
// last column does.
inline bool lastColumnReachesEdge(const QTableView *view)
{
    const QHeaderView *header = view->horizontalHeader();
    if (header->count() == 0)
        return false;
    const int last = header->logicalIndex(header->count() - 1);
    return header->sectionViewportPosition(last) + header->sectionSize(last) == header->viewport()->width();
}

} // namespace TableChecks
