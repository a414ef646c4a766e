#include "csvgraphwindow.h"
#include "ui_csvgraphwindow.h"

#include "customqwtcurve.h"
#include "latin1.h"
#include "plotwidget.h"

#include <qwt_legend.h>
#include <qwt_legend_label.h>
#include <qwt_plot_textlabel.h>
#include <qwt_plot_zoomer.h>
#include <qwt_scale_div.h>

#include <QDebug>
#include <QIcon>
#include <QScrollBar>
#include <QToolBar>
#include <QToolButton>
#include <algorithm>
#include <climits>
#include <cmath>

CSVGraphWindow::CSVGraphWindow(QWidget *parent)
    : QWidget(parent), ui(new Ui::CSVGraphWindow), m_log(KelvoLog::get("csvgraph"))
{
    ui->setupUi(this);

    m_plot = new PlotWidget(this);
    m_plot->setPlotAllResults(true);
    m_plot->setCanvasBackground(QBrush(Qt::white, Qt::SolidPattern));
    m_plot->setFullReplot(true);
    m_plot->setAutoReplot(false);

    m_scrollBar = new QScrollBar(Qt::Horizontal, this);
    m_scrollBar->setObjectName(QStringLiteral("horizontalScrollBar"));
    m_scrollBar->setRange(1, 1);

    connect(this, &CSVGraphWindow::onJobFinished, this, &CSVGraphWindow::onJobFinishedSlot);
    connect(m_plot, &PlotWidget::scaleChanged, this, &CSVGraphWindow::onScaleChanged);
    connect(m_plot, &PlotWidget::scaleMaxChanged, this, &CSVGraphWindow::onScaleMaxChanged);
    connect(m_scrollBar, &QScrollBar::valueChanged, m_plot, &PlotWidget::onSliderValueChanged);
    connect(m_scrollBar, &QScrollBar::sliderMoved, this, &CSVGraphWindow::on_horizontalScrollBar_sliderMoved);

    m_toolBar = new QToolBar(this);
    m_toolBar->setGeometry(0, 0, 200, 200);
    auto addButton = [this](const QString &icon, void (CSVGraphWindow::*slot)()) {
        auto *button = new QToolButton(m_toolBar);
        if (!icon.isEmpty())
            button->setIcon(QIcon(icon));
        m_toolBar->addWidget(button);
        connect(button, &QToolButton::clicked, this, slot);
    };
    addButton(QStringLiteral(":/icons/Zoom-Out-64.png"), &CSVGraphWindow::onZoomOut);
    addButton(QStringLiteral(":/icons/Zoom-In-64.png"), &CSVGraphWindow::onZoomIn);
    addButton(QStringLiteral(":/icons/gnome_preferences_system.png"), &CSVGraphWindow::onPreferences);
    addButton(QStringLiteral(":/icons/gnome_edit_delete.png"), &CSVGraphWindow::onDelete);
    addButton(QString(), &CSVGraphWindow::onYZoomIn);
    addButton(QString(), &CSVGraphWindow::onYZoomOut);

    ui->verticalLayout_2->addWidget(m_toolBar, 0, Qt::AlignBottom);
    ui->verticalLayout_2->addWidget(m_plot);
    ui->verticalLayout_2->addWidget(m_scrollBar);
    m_plot->setFocusPolicy(Qt::WheelFocus);

    // The legend goes below the plot, in the splitter's lower pane; the plot
    // takes the room.
    m_legend = new QwtLegend;
    m_legend->setDefaultItemMode(QwtLegendData::Checkable);
    m_legend->setMaxColumns(8);
    ui->verticalLayout->addWidget(m_legend);
    connect(m_plot, &QwtPlot::legendDataChanged, m_legend, &QwtLegend::updateLegend);
    connect(m_legend, &QwtLegend::checked, this,
            [this](const QVariant &itemInfo, bool on, int) { legendChecked(itemInfo, on); });
    ui->splitter->setStretchFactor(0, 9);
    ui->splitter->setStretchFactor(1, 1);

    m_legendTimer.setSingleShot(true);
    connect(&m_legendTimer, &QTimer::timeout, this, &CSVGraphWindow::onLegendTimer);
}

CSVGraphWindow::~CSVGraphWindow()
{
    delete ui;
}

bool CSVGraphWindow::load(const QString &fileName)
{
    m_messages.clear();
    m_plot->reset();
    m_lastElapsed = -1;
    m_firstElapsed = -1;
    CSVLogLoader loader;
    const bool ok = loader.load(fileName, *this);
    qDebug() << " playback loaded";
    m_slots.clear();
    if (ok) {
        m_messages = loader.messages();
        if (m_lastElapsed >= 0) {
            m_plot->data()->setLastElapsed(m_lastElapsed);
            m_plot->data()->setXValue(double(m_lastElapsed));
        }
        m_plot->updateTextLabel();
        m_plot->updateLegend();
    } else {
        m_messages << loader.errorString();
    }
    for (const QString &m : qAsConst(m_messages))
        LOG4CPLUS_WARN_FMT(m_log, "%s: %s", KELVO_QS(fileName), KELVO_QS(m));
    showMessages();
    m_plot->redrawAllCurves();
    updateScrollRange();
    m_legendTimer.start(200);
    return ok;
}

void CSVGraphWindow::begin(const QList<JobInfo> &columns, qint64 rows, qint64 startTime)
{
    m_start = startTime;
    m_rows = rows;
    m_plot->setStartTime(startTime);
    m_slots.clear();
    m_slots.reserve(size_t(columns.size()));
    // Each column's pair as a row's job would give it to the plot.
    for (const JobInfo &info : columns) {
        Slot s;
        s.pair.job = info.job;
        s.pair.resultName = Latin1::toStd(info.resultName);
        s.pair.result.name = s.pair.resultName;
        s.pair.result.format = 8;
        m_slots.push_back(s);
    }
}

CustomQwtCurve *CSVGraphWindow::curveFor(const CJobResultPair &pair)
{
    // A curve comes into being with its first point, as it would for a row
    // fed as jobs: the curves keep the order (and colours) of that.
    auto &map = m_plot->curveMap();
    auto it = map.find(pair);
    if (it != map.end()) {
        // Two columns of one curve: room for both.
        CustomQwtCurveData *d = it.value()->curveData();
        d->reserve(d->pointCount() + m_rows);
        return it.value();
    }
    CJobResultPair copy(pair);
    CustomQwtCurve *curve = m_plot->data()->addCurve(copy);
    curve->curveData()->reserve(m_rows);
    curve->attach(m_plot);
    return curve;
}

void CSVGraphWindow::cell(int slot, qint64 time, double value)
{
    const qint64 elapsed = time - m_start;
    if (elapsed < 0)
        return;
    Slot &s = m_slots[size_t(slot)];
    if (!s.curve)
        s.curve = curveFor(s.pair);
    s.curve->appendQuiet(double(elapsed), value);
    m_lastElapsed = elapsed;
    if (m_firstElapsed < 0)
        m_firstElapsed = elapsed;
}

void CSVGraphWindow::showMessages()
{
    if (m_messageLabel) {
        m_messageLabel->detach();
        delete m_messageLabel;
        m_messageLabel = nullptr;
    }
    if (m_messages.isEmpty())
        return;
    QwtText text(m_messages.join(QLatin1Char('\n')));
    text.setColor(Qt::darkRed);
    QFont font;
    font.setBold(true);
    text.setFont(font);
    text.setRenderFlags(Qt::AlignLeft | Qt::AlignTop);
    text.setBackgroundBrush(QBrush(QColor(255, 255, 255, 200)));
    m_messageLabel = new QwtPlotTextLabel;
    m_messageLabel->setTitle(QStringLiteral("logmessages"));
    m_messageLabel->setText(text);
    m_messageLabel->setZ(100);
    m_messageLabel->attach(m_plot);
}

void CSVGraphWindow::setScrollPosition(int value)
{
    m_scrollBar->setValue(value);
}

void CSVGraphWindow::onJobFinishedSlot(CJob job, int result)
{
    ++m_jobCount;
    const qint64 elapsed = job.timeStamp - m_plot->data()->startTime();
    if (m_firstElapsed < 0 && elapsed >= 0 && !job.results.isEmpty())
        m_firstElapsed = elapsed;
    for (const CJobResult &r : qAsConst(job.results))
        m_plot->onJobResultUpdated(r, job, result);
}

void CSVGraphWindow::on_horizontalScrollBar_sliderMoved(int position)
{
    qDebug() << "hscroll moved:" << position;
}

int CSVGraphWindow::scrollSteps(double time) const
{
    const double window = double(std::max<qint64>(1, m_plot->timeWindow()));
    const double steps = std::floor(time / window);
    if (!std::isfinite(steps))
        return 1;
    return int(std::max(0.0, std::min(steps, double(INT_MAX))));
}

int CSVGraphWindow::firstPage() const
{
    return m_firstElapsed < 0 ? 1 : std::max(1, scrollSteps(double(m_firstElapsed)) + 1);
}

void CSVGraphWindow::updateScrollRange()
{
    // Nothing lies before the first row: the bar starts at its page, so that
    // a log opens there (position 0 from the openers is that page).
    const int first = firstPage();
    m_scrollBar->setRange(first, std::max(first, scrollSteps(double(m_plot->timeMax()))));
}

void CSVGraphWindow::onScaleChanged(int axis, double min, double max)
{
    Q_UNUSED(min)
    // Only the time axis has a scroll bar: a y range is no position.
    if (axis != QwtPlot::xBottom)
        return;
    updateScrollRange();
    m_scrollBar->setValue(scrollSteps(max));
    if (m_plot->isFollowingCurve()) {
        qDebug() << "PWC::setValue:" << scrollSteps(max);
        m_scrollBar->setValue(scrollSteps(max));
    }
}

void CSVGraphWindow::onScaleMaxChanged(int axis, double max)
{
    Q_UNUSED(axis)
    Q_UNUSED(max)
    updateScrollRange();
}

void CSVGraphWindow::onLegendTimer()
{
    qDebug() << "on legendtimer";
    for (QwtPlotItem *item : m_plot->itemList()) {
        if (!item->testItemAttribute(QwtPlotItem::Legend))
            continue;
        for (QWidget *w : m_legend->legendWidgets(m_plot->itemToInfo(item))) {
            if (auto *label = qobject_cast<QwtLegendLabel *>(w))
                label->setChecked(true);
        }
    }
    m_plot->updateAxes();
    const QwtScaleDiv y = m_plot->axisScaleDiv(QwtPlot::yLeft);
    const double lower = std::floor(y.lowerBound());
    const double upper = std::ceil(y.upperBound());
    const double timeMax = double(m_plot->timeMax());
    m_plot->zoomer()->setEnabled(true);
    // The zoomer's base (where zooming out ends): the log's first time
    // window over the y range shown, from the page of its first row.
    const double from = double(m_plot->timeWindow()) * (firstPage() - 1);
    if (timeMax - from < 30000) {
        m_plot->zoomer()->setZoomBase(QRectF(from, lower, timeMax - from, std::max(1.0, upper - lower)));
        m_plot->setAxisScaleAndNotify(QwtPlot::xBottom, from, timeMax);
    } else {
        m_plot->zoomer()->setZoomBase(QRectF(from, lower, 30000.0, std::max(1.0, upper - lower)));
    }
    m_plot->replot();
}

void CSVGraphWindow::legendChecked(const QVariant &itemInfo, bool on)
{
    qDebug() << "LegendChecked:" << on;
    m_plot->setAxisAutoScale(QwtPlot::yLeft, false);
    m_plot->showCurve(m_plot->infoToItem(itemInfo), on);
}

void CSVGraphWindow::onZoomIn()
{
    m_plot->zoomInTime();
}

void CSVGraphWindow::onZoomOut()
{
    m_plot->zoomOutTime();
}

void CSVGraphWindow::onPreferences()
{
}

void CSVGraphWindow::onDelete()
{
    m_plot->reset();
    m_plot->replot();
}

void CSVGraphWindow::onYZoomIn()
{
    const QwtScaleDiv y = m_plot->axisScaleDiv(QwtPlot::yLeft);
    qDebug() << "y lower:" << y.lowerBound();
    qDebug() << "y higher:" << y.upperBound();
    m_plot->yZoomStep();
}

void CSVGraphWindow::onYZoomOut()
{
    m_plot->zoomInTime();
}

void CSVGraphWindow::redraw()
{
    m_plot->redrawAllCurves();
}
