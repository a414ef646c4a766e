#include "mlvmultiplot.h"
#include "ui_mlvmultiplot.h"

#include "curvetracker.h"
#include "customqwtcurve.h"
#include "kelvolog.h"
#include "plottheme.h"

#include <qwt_picker.h>
#include <qwt_picker_machine.h>
#include <qwt_plot.h>
#include <qwt_plot_canvas.h>
#include <qwt_scale_map.h>

#include <QPen>

namespace {
CurveTracker *quietTracker(QwtPlot *plot)
{
    auto *tracker = new CurveTracker(plot->canvas());
    tracker->setTrackerMode(QwtPicker::AlwaysOff);
    tracker->setRubberBand(QwtPicker::NoRubberBand);
    // It follows the form's cursor only; its update timer stays.
    QObject::disconnect(tracker, nullptr, tracker, nullptr);
    return tracker;
}
} // namespace

MLVMultiPlot::MLVMultiPlot(QWidget *parent)
    : QWidget(parent)
    , ui(new Ui::MLVMultiPlot)
    , m_log(KelvoLog::get("plotwidget"))
{
    ui->setupUi(this);
    m_upper = new QwtPlot(this);
    m_lower = new QwtPlot(this);
    for (QwtPlot *plot : {m_upper, m_lower}) {
        plot->enableAxis(QwtPlot::xBottom, true);
        plot->enableAxis(QwtPlot::yLeft, true);
        ui->verticalLayout->addWidget(plot);
    }
    ui->verticalLayout->setContentsMargins(0, 0, 0, 0);

    auto *first = new CustomQwtCurve;
    first->setPen(QColor(Qt::red), 0);
    for (const QPointF &p : {QPointF(1, 2), QPointF(2, 3), QPointF(3, 4), QPointF(4, 5)})
        first->appendPoint(p.x(), p.y());
    auto *second = new CustomQwtCurve;
    second->setPen(QColor(Qt::yellow), 0);
    for (const QPointF &p : {QPointF(1, 0), QPointF(4, 2), QPointF(5, 7)})
        second->appendPoint(p.x(), p.y());
    first->attach(m_upper);
    second->attach(m_upper);
    // The lower curves read the upper curves' points; the upper ones own them.
    auto *third = new CustomQwtCurve;
    third->setCurveData(first->curveData());
    auto *fourth = new CustomQwtCurve;
    fourth->setCurveData(second->curveData());
    third->attach(m_lower);
    fourth->attach(m_lower);
    m_upper->replot();
    m_lower->replot();
    PlotTheme::follow(m_upper);
    PlotTheme::follow(m_lower);

    // On the form itself, so that its line runs across both plots.
    m_picker = new QwtPicker(this);
    m_picker->setStateMachine(new QwtPickerTrackerMachine);
    m_picker->setTrackerMode(QwtPicker::AlwaysOff);
    m_picker->setRubberBand(QwtPicker::VLineRubberBand);
    m_picker->setRubberBandPen(QPen(Qt::blue));

    m_upperTracker = quietTracker(m_upper);
    m_lowerTracker = quietTracker(m_lower);
    connect(m_picker, qOverload<const QPoint &>(&QwtPicker::moved), this, &MLVMultiPlot::onMoved);
    // A move without a button reaches the form only through widgets that
    // track the mouse: the one under the cursor and each on its way up.
    setMouseTracking(true);
    for (QWidget *child : findChildren<QWidget *>())
        child->setMouseTracking(true);
}

MLVMultiPlot::~MLVMultiPlot()
{
    // The readers of the shared points go before their owners.
    delete m_lower;
    m_lower = nullptr;
    delete m_upper;
    m_upper = nullptr;
    delete ui;
}

void MLVMultiPlot::onMoved(const QPoint &p)
{
    const QPointF pos = toPlotPosition(p);
    m_upperTracker->onSelected(pos);
    m_lowerTracker->onSelected(pos);
    LOG4CPLUS_TRACE_FMT(m_log, "posF=%f,%f", pos.x(), pos.y());
}

QPointF MLVMultiPlot::toPlotPosition(const QPoint &p) const
{
    // The canvas sits right of the y axis and above the x axis: map the
    // point into the canvas and read it through the canvas's scale maps.
    const QWidget *canvas = m_upper->canvas();
    const QPoint local = canvas->mapFrom(this, p);
    const double x = m_upper->canvasMap(QwtPlot::xBottom).invTransform(local.x());
    const double y = m_upper->canvasMap(QwtPlot::yLeft).invTransform(local.y());
    LOG4CPLUS_TRACE_FMT(m_log, "plot xcval=%f", x);
    LOG4CPLUS_TRACE_FMT(m_log, "plot ycval=%f", y);
    return QPointF(x, y);
}
