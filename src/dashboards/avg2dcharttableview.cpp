#include "avg2dcharttableview.h"

Avg2DChartTableView::Avg2DChartTableView(QWidget *parent)
    : Basic2DChartTableView(parent)
{
    resize(300, 300);
}

void Avg2DChartTableView::setValue(qreal x, qreal y, qreal cell)
{
    int col = 0;
    int row = 0;
    if (!chVars.cellOf(x, y, &col, &row) || col < 0 || row < 0)
        return;
    const TableValueStore::Entry *stored = valueStore.find(col, row);
    const qint64 count = (stored ? stored->count : 0) + 1;
    const double sum = (stored ? stored->value : 0.0) + cell;
    LOG4CPLUS_DEBUG_FMT(logger, "count:%lld, sum:%f", static_cast<long long>(count), sum);
    saveTableValue(x, y, sum);
    setValueRow(row, col, float(sum / double(count)));
}

double Avg2DChartTableView::shownValue(const TableValueStore::Entry &entry) const
{
    return entry.count > 0 ? entry.value / double(entry.count) : entry.value;
}

double Avg2DChartTableView::mergedValue(const TableValueStore::Entry &present,
                                        const TableValueStore::Entry &incoming) const
{
    return present.value + incoming.value;
}
