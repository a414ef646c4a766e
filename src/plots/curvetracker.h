#pragma once
// The read-out cursor of the time plots: a vertical line follows the mouse
// and a box at the top left of the canvas shows the value of every visible
// curve at the cursor's time, in the curve's colour. The box is updated at
// most once per timer period so that mouse movement does not replot per
// event. GUI thread only.
#include <qwt_plot_picker.h>
#include <qwt_series_data.h>

#include <QLineF>
#include <QList>
#include <QMetaType>
#include <QMutex>
#include <QTimer>

class QwtPlotCurve;
class QwtPlotTextLabel;

struct CurveInfo
{
};
Q_DECLARE_METATYPE(CurveInfo)

class CurveTracker : public QwtPlotPicker
{
    Q_OBJECT
public:
    explicit CurveTracker(QWidget *canvas);
    ~CurveTracker() override;

    QRect trackerRect(const QFont &font) const override;
    QwtText trackerTextF(const QPointF &pos) const override;

    // The segment around x of the curve's recorded values, or a null line.
    QLineF curveLineAt(const QwtPlotCurve *curve, double x) const;
    QString curveInfoAt(const QwtPlotCurve *curve, const QPointF &pos) const;
    // Smallest index whose x is greater than x; -1 for an empty series or
    // when no sample lies beyond x. The x values must be in order.
    static int upperSampleIndex(const QwtSeriesData<QPointF> &series, double x);
    // The read-out box's own background, whatever the theme.
    static QColor readOutBackground();

signals:
    void curveInfos(QList<CurveInfo> infos);
    void allowUpdate(bool allow);

public slots:
    void onSelected(const QPointF &pos);
    void onMoved(const QPointF &pos);
    void onTimer();

private:
    QMutex m_mutex;
    QTimer m_timer;
    bool m_allowUpdate = false;
    QwtPlotTextLabel *m_label = nullptr;
};
