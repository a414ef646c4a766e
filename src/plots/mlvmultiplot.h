#pragma once
// Two plots stacked one above the other with one shared cursor: a vertical
// line follows the mouse over the whole form, and each plot's read-out box
// shows its curves' values at the cursor's time. It shows fixed sample
// data: two curves above, the same two data series again below.
#include <log4cplus/logger.h>

#include <QPoint>
#include <QPointF>
#include <QWidget>

class CurveTracker;
class CustomQwtCurve;
class QwtPicker;
class QwtPlot;

namespace Ui {
class MLVMultiPlot;
}

class MLVMultiPlot : public QWidget
{
    Q_OBJECT
public:
    explicit MLVMultiPlot(QWidget *parent = nullptr);
    ~MLVMultiPlot() override;

    // A point of this form as time and value of the upper plot.
    QPointF toPlotPosition(const QPoint &p) const;

    QwtPlot *upperPlot() const { return m_upper; }
    QwtPlot *lowerPlot() const { return m_lower; }
    QwtPicker *picker() const { return m_picker; }
    CurveTracker *upperTracker() const { return m_upperTracker; }
    CurveTracker *lowerTracker() const { return m_lowerTracker; }

public slots:
    void onMoved(const QPoint &p);

private:
    Ui::MLVMultiPlot *ui;
    QwtPlot *m_upper = nullptr;
    QwtPlot *m_lower = nullptr;
    QwtPicker *m_picker = nullptr;
    CurveTracker *m_upperTracker = nullptr;
    CurveTracker *m_lowerTracker = nullptr;
    log4cplus::Logger m_log;
};
