#pragma once
// A whole CSV log at once as curves over time: every result column of the
// log becomes a curve of a PlotWidget that plots every result it is given,
// with a legend of check boxes, a tool bar for zooming and a scroll bar
// over time. The log is read in one pass (CSVLogLoader) straight into the
// curves; single jobs can still be fed through onJobFinished. What the read
// left out or could not read is shown over the plot and logged.
#include "cjob.h"
#include "cjobresultpair.h"
#include "csvlogloader.h"
#include "kelvolog.h"

#include <QMutex>
#include <QStringList>
#include <QTimer>
#include <QVariant>
#include <QWidget>
#include <vector>

class CustomQwtCurve;
class PlotWidget;
class QScrollBar;
class QToolBar;
class QwtLegend;
class QwtPlotTextLabel;

namespace Ui {
class CSVGraphWindow;
}

class CSVGraphWindow : public QWidget, private CSVLogLoader::Sink
{
    Q_OBJECT
public:
    explicit CSVGraphWindow(QWidget *parent = nullptr);
    ~CSVGraphWindow() override;

    // Reads the log into the plot; false when it could not be read (the
    // plot then stays empty and says why).
    bool load(const QString &fileName);
    void setScrollPosition(int value);

    PlotWidget *plot() const { return m_plot; }
    QScrollBar *scrollBar() const { return m_scrollBar; }
    QToolBar *toolBar() const { return m_toolBar; }
    QwtLegend *legend() const { return m_legend; }
    // What the last load reported, as shown over the plot.
    QStringList messages() const { return m_messages; }
    int jobCount() const { return m_jobCount; }

signals:
    void onJobFinished(CJob argJob, int result);

public slots:
    void onJobFinishedSlot(CJob job, int result);
    void on_horizontalScrollBar_sliderMoved(int position);
    void onScaleChanged(int axis, double min, double max);
    void onScaleMaxChanged(int axis, double max);
    void onLegendTimer();
    void legendChecked(const QVariant &itemInfo, bool on);
    void onZoomIn();
    void onZoomOut();
    void onPreferences();
    void onDelete();
    void onYZoomIn();
    void onYZoomOut();
    void redraw();

private:
    struct Slot
    {
        CJobResultPair pair;
        CustomQwtCurve *curve = nullptr;
    };
    void begin(const QList<JobInfo> &columns, qint64 rows, qint64 startTime) override;
    void cell(int slot, qint64 time, double value) override;
    CustomQwtCurve *curveFor(const CJobResultPair &pair);
    void showMessages();
    int scrollSteps(double time) const;
    // The scroll position of the log's first row (1 without rows), and the
    // scroll range from there to the newest data.
    int firstPage() const;
    void updateScrollRange();

    Ui::CSVGraphWindow *ui;
    PlotWidget *m_plot = nullptr;
    QScrollBar *m_scrollBar = nullptr;
    QToolBar *m_toolBar = nullptr;
    int m_jobCount = 0;
    QMutex m_mutex;
    QTimer m_legendTimer;
    QwtLegend *m_legend = nullptr;
    QwtPlotTextLabel *m_messageLabel = nullptr;
    QStringList m_messages;
    log4cplus::Logger m_log;

    // The whole-log read in progress.
    std::vector<Slot> m_slots;
    qint64 m_rows = 0;
    qint64 m_start = 0;
    qint64 m_lastElapsed = -1;
    // The first row's time on the plot (ms; -1 without rows): a log of
    // clock times starts hours after 0, and opens there.
    qint64 m_firstElapsed = -1;
};
