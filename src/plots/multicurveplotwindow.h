#pragma once
// Several chosen results, from any of the running jobs, as curves of one
// time plot with a checkable legend. The window remembers every job that
// ran successfully while it was open, one entry per job of each ECU; its
// preferences list the numeric results of those still queued, and the
// ticked ones become the curves.
#include "cjob.h"
#include "cjobresult.h"
#include "cjobresultpair.h"
#include "curvetracker.h"
#include "jobqueue.h"

#include <log4cplus/logger.h>

#include <QMap>
#include <QList>
#include <QTimer>
#include <QVariant>
#include <QWidget>

class PlotWidget;
class QComboBox;
class QScrollBar;
class QToolBar;
class QToolButton;
class QwtLegend;

namespace Ui {
class MultiCurvePlotWindow;
}

class MultiCurvePlotWindow : public QWidget
{
    Q_OBJECT
public:
    explicit MultiCurvePlotWindow(QWidget *parent = nullptr);
    ~MultiCurvePlotWindow() override;

    PlotWidget *plotWidget() const { return m_plot; }
    QwtLegend *legend() const { return m_legend; }
    // The jobs whose results can be chosen, by queue key (display name and
    // ECU): two ECUs' jobs of one name are two entries.
    const QMap<QString, CJob> &jobSet() const { return m_jobs; }
    int jobsReceived() const { return m_jobsReceived; }
    // Curves for these results at once, ahead of their next values; the
    // plot then takes exactly these results.
    void addCurves(QList<CJobResultPair> pairs);

signals:
    void jobResultFinished(const CJobResult &result, const CJob job, int status);

public slots:
    void setLegendsChecked();
    void onJobFinished(CJob job, int result);
    void on_horizontalScrollBar_sliderMoved(int position);
    void onScaleChanged(int axis, double min, double max);
    void onScaleMaxChanged(int axis, double max);
    void onJobQueueEvent(JobQueue::Event event, CJob job);
    void onRefreshIndexChanged(int index);
    void onCurveInfo(QList<CurveInfo> infos);
    void legendChecked(const QVariant &itemInfo, bool on);
    void onLegendTimer();
    void onZoomIn();
    void onZoomOut();
    void onPreferences();
    void onDelete();
    void onYZoomIn();
    void onYZoomOut();
    void redraw();

protected:
    void mouseDoubleClickEvent(QMouseEvent *event) override;

private:
    void updateScrollRange();
    // Ticks the legend label of the item as the item is shown: a label the
    // legend makes anew starts unticked.
    void checkLegendLabel(const QVariant &itemInfo);

    QMap<QString, CJob> m_jobs;
    log4cplus::Logger m_log;
    Ui::MultiCurvePlotWindow *ui;
    PlotWidget *m_plot = nullptr;
    QScrollBar *m_scrollBar = nullptr;
    QToolBar *m_toolBar = nullptr;
    int m_jobsReceived = 0;
    QTimer m_redrawTimer;
    QComboBox *m_refreshCombo = nullptr;
    QwtLegend *m_legend = nullptr;
    QToolButton *m_yZoomIn = nullptr;
    QToolButton *m_yZoomOut = nullptr;
};
