#pragma once
// The "Average" page of the 2-D chart: each cell keeps the running sum and
// the count of its samples and shows their mean.
#include "basic2dcharttableview.h"

class Avg2DChartTableView : public Basic2DChartTableView
{
    Q_OBJECT
public:
    explicit Avg2DChartTableView(QWidget *parent = nullptr);

    double shownValue(const TableValueStore::Entry &entry) const override;

protected:
    // The running sum; the store counts the samples.
    double storedValue(const TableValueStore::Entry *stored, double sample) const override;
    double mergedValue(const TableValueStore::Entry &present,
                       const TableValueStore::Entry &incoming) const override;
};
