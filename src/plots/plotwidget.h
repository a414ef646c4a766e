#pragma once
// The live time plot: job results as curves over time, in ms from the
// plot's start time. New points are painted incrementally into the
// canvas's cached picture and shown with the next paint; the plot is
// replotted only when a scale or a curve factor changes. The time axis
// shows a window of 30 s by default that moves with the newest data while
// the plot follows it.
#include "cjobresultpair.h"
#include "customqwtcurve.h"
#include "plotwidgetdata.h"

#include <log4cplus/logger.h>
#include <qwt_plot.h>
#include <qwt_interval.h>
#include <qwt_scale_div.h>

#include <QMap>
#include <QMutex>
#include <QSize>
#include <QVector>
#include <QTimer>
#include <atomic>
#include <functional>

class QThread;
class QwtPlotZoomer;
class QwtPlotPanner;
class QwtPlotMagnifier;
class CurveTracker;

class PlotWidget : public QwtPlot
{
    Q_OBJECT
public:
    // With ownThread the data worker runs in a thread of its own.
    explicit PlotWidget(QWidget *parent = nullptr, bool ownThread = false);
    ~PlotWidget() override;

    void setPlotAllResults(bool on);
    void setAxisScaleAndNotify(int axis, double min, double max);
    void setFullReplot(bool on) { m_fullReplot = on; }
    QwtPlotZoomer *zoomer() const { return m_zoomer; }
    CurveTracker *tracker() const { return m_tracker; }
    PlotWidgetData *data() const { return m_data; }
    bool isFollowingCurve() const { return m_followCurve; }
    qint64 timeWindow() const { return m_timeWindow; }
    qint64 timeMax() const { return m_timeMax; }
    bool isResizing() const { return m_resizing; }

    void zoomOutTime();
    void zoomInTime();
    // One step of the left y range: the upper bound comes down by 5000,
    // 1000 or 100 (chosen by the range as for the time steps), or the
    // range halves when it is no wider than the step.
    void yZoomStep();

    bool addCurve(CJobResultPair &pair);
    void showCurve(QwtPlotItem *item, bool on);
    CustomQwtCurve *curveAt(int index) const;
    QList<CJobResultPair> resultPairs() const;
    QMap<CurveKey, CustomQwtCurve *> &curveMap();

    void redrawCurve(CustomQwtCurve *curve);
    void redrawAllCurves();
    void reset();

    void updateTextLabel();
    void removeTextLabels();

    // Also marks every point as drawn: the canvas now shows them all.
    void replot() override;

signals:
    void scaleChanged(int axis, double min, double max);
    void scaleMaxChanged(int axis, double max);
    void curveRemoved(CustomQwtCurve *curve);
    void jobResultUpdated(const CJobResult &res, const CJob job, int result);

public slots:
    void pan(int dx, int dy);
    void zoomed(const QRectF &rect);
    void onJobResultUpdated(const CJobResult &res, const CJob job, int result);
    void onSliderValueChanged(int value);
    void onSettingsChanged(QList<CJobResultPair> jobs);
    void setStartTime(qint64 value);
    void onMinYChanged(CJobResultPair pair, qreal y);
    void resizeDone();
    void curveAdded(const CustomQwtCurve *curve);

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private slots:
    void onPointReady(CJobResultPair pair, qint64 timeStamp, double y);

private:
    static qint64 timeStep(qint64 window, bool widening);
    void applyTimeWindow(qint64 window);
    // Moves the time range on when the newest point lies beyond it; true
    // when it did (the caller replots).
    bool growTimeRange(bool log);
    // Replots where the time range grew or the scales moved; otherwise
    // `drawIncrement` paints only what came since the last paint.
    void redraw(bool logGrowth, const std::function<void()> &drawIncrement);
    bool scalesUnchanged() const;
    // The data ranges the auto-scaled axes follow, per axis.
    QVector<QwtInterval> autoScaleBounds() const;
    // Recomputes the axes (and their tick labels, which is costly) only
    // when a scale was set or the data ranges they follow changed.
    void refreshAxes();
    void drawNewPoints(CustomQwtCurve *curve);
    void rememberScales();

    QwtPlotZoomer *m_zoomer = nullptr;
    QwtPlotPanner *m_panner = nullptr;
    qint64 m_timeWindow = 30000;
    qint64 m_timeMax = 30000;
    bool m_followCurve = true;
    PlotWidgetData *m_data = nullptr;
    QMutex m_mutex;
    QwtScaleDiv m_lastXScale;
    QwtScaleDiv m_lastYScale;
    bool m_axesCurrent = false;
    QVector<QwtInterval> m_axisBounds;
    log4cplus::Logger m_log;
    QThread *m_thread = nullptr;
    std::atomic<bool> m_workerDone{false};
    QTimer m_resizeTimer;
    QSize m_lastSize = QSize(-1, -1);
    bool m_resizing = false;
    bool m_fullReplot = false;
    QwtPlotMagnifier *m_magnifier = nullptr;
    CurveTracker *m_tracker = nullptr;
};
