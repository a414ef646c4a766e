#include "curvetracker.h"
#include "customqwtcurve.h"
#include "kelvolog.h"
#include "readablecolour.h"

#include <qwt_picker_machine.h>
#include <qwt_plot.h>
#include <qwt_plot_curve.h>
#include <qwt_plot_textlabel.h>

#include <QPen>

CurveTracker::CurveTracker(QWidget *canvas)
    : QwtPlotPicker(canvas)
{
    setStateMachine(new QwtPickerTrackerMachine);
    setTrackerMode(QwtPicker::AlwaysOff);
    setRubberBand(QwtPicker::VLineRubberBand);
    connect(this, qOverload<const QPointF &>(&QwtPlotPicker::selected), this, &CurveTracker::onSelected);
    connect(this, qOverload<const QPointF &>(&QwtPlotPicker::moved), this, &CurveTracker::onMoved);
    connect(&m_timer, &QTimer::timeout, this, &CurveTracker::onTimer);
    m_allowUpdate = false;
    m_timer.start(100);
}

// The label is a plot item: the plot deletes it with its other items.
CurveTracker::~CurveTracker() = default;

void CurveTracker::onTimer()
{
    m_allowUpdate = true;
}

void CurveTracker::onMoved(const QPointF &pos)
{
    onSelected(pos);
}

void CurveTracker::onSelected(const QPointF &pos)
{
    if (!m_allowUpdate)
        return;
    QwtPlot *thePlot = plot();
    if (!thePlot)
        return;
    LOG4CPLUS_TRACE_FMT(KelvoLog::get("plotwidget"), " *********onSelected %f,%f", pos.x(), pos.y());
    QwtText text = trackerTextF(pos);
    text.setRenderFlags(Qt::AlignLeft | Qt::AlignTop);
    if (m_label)
        m_label->detach();
    else {
        m_label = new QwtPlotTextLabel;
        m_label->setTitle(QStringLiteral("tracker"));
    }
    m_label->setText(text);
    m_label->attach(thePlot);
    thePlot->replot();
    m_timer.start(200);
    m_allowUpdate = false;
}

QColor CurveTracker::readOutBackground()
{
    return QColor(QStringLiteral("#EEEEEE"));
}

QwtText CurveTracker::trackerTextF(const QPointF &pos) const
{
    QwtText text;
    text.setColor(Qt::blue);
    QPen border(QColor(QStringLiteral("#AAAAAA")));
    border.setWidth(0);
    border.setStyle(Qt::SolidLine);
    text.setBorderPen(border);
    text.setBackgroundBrush(QBrush(readOutBackground(), Qt::SolidPattern));
    text.setBorderRadius(0);

    QString info;
    const QwtPlot *thePlot = plot();
    if (thePlot) {
        const QwtPlotItemList items = thePlot->itemList(QwtPlotItem::Rtti_PlotCurve);
        info.reserve(30 * items.size());
        for (const QwtPlotItem *item : items) {
            if (!item->isVisible())
                continue;
            const QString one = curveInfoAt(static_cast<const QwtPlotCurve *>(item), pos);
            if (one.isEmpty())
                continue;
            if (!info.isEmpty())
                info += QStringLiteral("<br>");
            info += one;
        }
    }
    text.setText(info, QwtText::AutoText);
    return text;
}

QString CurveTracker::curveInfoAt(const QwtPlotCurve *curve, const QPointF &pos) const
{
    const QLineF line = curveLineAt(curve, pos.x());
    if (line.isNull())
        return QString();
    double y;
    // Two samples of one time stamp: the later one is the value now shown.
    if (line.x2() == line.x1())
        y = line.y2();
    else
        y = line.pointAt((pos.x() - line.x1()) / (line.x2() - line.x1())).y();
    // In the curve's colour, in a shade that reads on the box: a yellow or
    // light green curve's value could not be read on its light grey.
    return QStringLiteral("<span style=font-weight:bold;color:%1;font-size:16px;font-family:Courier New>%2")
        .arg(ReadableColour::on(curve->pen().color(), readOutBackground()).name())
        .arg(y, 0, 'g');
}

namespace {
// The recorded values of a curve, without the y factor of the plot.
class RawSeries : public QwtSeriesData<QPointF>
{
public:
    explicit RawSeries(const QwtPlotCurve *curve)
        : m_curve(curve)
        , m_custom(dynamic_cast<const CustomQwtCurve *>(curve))
    {
    }
    size_t size() const override { return m_curve->dataSize(); }
    QPointF sample(size_t i) const override
    {
        return m_custom ? m_custom->rawSample(qint64(i)) : m_curve->sample(int(i));
    }
    QRectF boundingRect() const override { return m_curve->data()->boundingRect(); }

private:
    const QwtPlotCurve *m_curve;
    const CustomQwtCurve *m_custom;
};
} // namespace

QLineF CurveTracker::curveLineAt(const QwtPlotCurve *curve, double x) const
{
    if (!curve || !curve->data())
        return QLineF();
    const RawSeries series(curve);
    const int n = int(series.size());
    if (n < 2)
        return QLineF();
    const QRectF br = series.boundingRect();
    if (!(br.width() > 0.0 && br.height() > 0.0) || x < br.left() || x > br.left() + br.width())
        return QLineF();
    int i = upperSampleIndex(series, x);
    if (i == -1) {
        if (x == series.sample(size_t(n - 1)).x())
            i = n - 1;
        else
            return QLineF();
    }
    if (i < 1)
        return QLineF();
    return QLineF(series.sample(size_t(i - 1)), series.sample(size_t(i)));
}

int CurveTracker::upperSampleIndex(const QwtSeriesData<QPointF> &series, double x)
{
    const int n = int(series.size());
    if (n <= 0 || !(series.sample(size_t(n - 1)).x() > x))
        return -1;
    int lo = 0;
    int hi = n - 1;
    while (lo < hi) {
        const int mid = lo + (hi - lo) / 2;
        if (series.sample(size_t(mid)).x() > x)
            hi = mid;
        else
            lo = mid + 1;
    }
    return lo;
}

QRect CurveTracker::trackerRect(const QFont &font) const
{
    QRect r = QwtPlotPicker::trackerRect(font);
    const QwtPlot *thePlot = plot();
    const int left = thePlot ? thePlot->canvas()->contentsRect().left() : 0;
    r.moveTopLeft(QPoint(left + 5, 5));
    return r;
}
