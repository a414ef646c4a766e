#pragma once
// One time plot with a scroll bar that pages through the recorded time:
// scroll value v shows the page [window * (v - 1), window * v].
#include "cjobresultpair.h"

#include <QWidget>

class PlotWidget;
class QScrollBar;

class PlotWidgetContainer : public QWidget
{
    Q_OBJECT
public:
    explicit PlotWidgetContainer(QWidget *parent = nullptr, bool ownThread = false);
    ~PlotWidgetContainer() override;

    PlotWidget *plotWidget() const { return m_plot; }
    QScrollBar *scrollBar() const { return m_scrollBar; }
    void setResultPair(const CJobResultPair &pair) { m_pair = pair; }
    const CJobResultPair &resultPair() const { return m_pair; }

    // The scroll range covers the plot's recorded pages; while the plot
    // follows its curves the bar sits on the page that ends at max.
    static void followPages(PlotWidget *plot, QScrollBar *bar, double max);

public slots:
    void onScaleChanged(int axis, double min, double max);

private:
    PlotWidget *m_plot = nullptr;
    QScrollBar *m_scrollBar = nullptr;
    CJobResultPair m_pair;
};
