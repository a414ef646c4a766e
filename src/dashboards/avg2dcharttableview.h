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

public slots:
    void setValue(qreal x, qreal y, qreal cell) override;

protected:
    double mergedValue(const TableValueStore::Entry &present,
                       const TableValueStore::Entry &incoming) const override;
};
