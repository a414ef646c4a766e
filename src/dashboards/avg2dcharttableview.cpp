#include "avg2dcharttableview.h"

Avg2DChartTableView::Avg2DChartTableView(QWidget *parent)
    : Basic2DChartTableView(parent)
{
    resize(300, 300);
}

double Avg2DChartTableView::storedValue(const TableValueStore::Entry *stored, double sample) const
{
    return (stored ? stored->value : 0.0) + sample;
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
