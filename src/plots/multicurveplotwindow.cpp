#include "multicurveplotwindow.h"
#include "ui_multicurveplotwindow.h"

#include "kelvolog.h"
#include "latin1.h"
#include "multicurveplotsettingsdialog.h"
#include "plotwidget.h"
#include "plotwidgetcontainer.h"

#include <qwt_legend.h>
#include <qwt_legend_label.h>
#include <qwt_plot_curve.h>

#include <QComboBox>
#include <QIcon>
#include <QScrollBar>
#include <QToolBar>
#include <QToolButton>

MultiCurvePlotWindow::MultiCurvePlotWindow(QWidget *parent)
    : QWidget(parent)
    , m_log(KelvoLog::get("multicurve"))
    , ui(new Ui::MultiCurvePlotWindow)
{
    // Points are painted as they come; the plot's data worker has its own
    // thread. The plot's own read-out cursor serves this window as well.
    m_plot = new PlotWidget(this, true);
    m_plot->setFullReplot(false);

    connect(JobQueue::instance(), &JobQueue::statusChanged, this, &MultiCurvePlotWindow::onJobQueueEvent);

    m_scrollBar = new QScrollBar(Qt::Horizontal, this);
    m_scrollBar->setObjectName(QStringLiteral("horizontalScrollBar"));
    connect(this, &MultiCurvePlotWindow::jobResultFinished, m_plot, &PlotWidget::onJobResultUpdated);
    connect(m_plot, &PlotWidget::scaleChanged, this, &MultiCurvePlotWindow::onScaleChanged);
    connect(m_plot, &PlotWidget::scaleMaxChanged, this, &MultiCurvePlotWindow::onScaleMaxChanged);

    ui->setupUi(this);
    m_toolBar = new QToolBar(this);
    m_toolBar->setGeometry(0, 0, 200, 200);
    auto button = [this](const char *icon, void (MultiCurvePlotWindow::*slot)()) {
        auto *b = new QToolButton(m_toolBar);
        if (icon)
            b->setIcon(QIcon(QString::fromLatin1(icon)));
        connect(b, &QToolButton::clicked, this, slot);
        return b;
    };
    QToolButton *zoomOut = button(":/icons/Zoom-Out-64.png", &MultiCurvePlotWindow::onZoomOut);
    zoomOut->setToolTip(tr("Wider time window"));
    QToolButton *zoomIn = button(":/icons/Zoom-In-64.png", &MultiCurvePlotWindow::onZoomIn);
    zoomIn->setToolTip(tr("Narrower time window"));
    QToolButton *preferences = button(":/icons/gnome_preferences_system.png", &MultiCurvePlotWindow::onPreferences);
    preferences->setToolTip(tr("Choose results"));
    QToolButton *erase = button(":/icons/gnome_edit_delete.png", &MultiCurvePlotWindow::onDelete);
    erase->setToolTip(tr("Start the plot anew"));
    // Children of the tool bar outside its row would sit on top of the
    // zoom-out button and swallow its clicks: they stay hidden.
    m_yZoomIn = button(nullptr, &MultiCurvePlotWindow::onYZoomIn);
    m_yZoomOut = button(nullptr, &MultiCurvePlotWindow::onYZoomOut);
    m_yZoomIn->hide();
    m_yZoomOut->hide();
    m_refreshCombo = new QComboBox(m_toolBar);
    connect(m_refreshCombo, qOverload<int>(&QComboBox::currentIndexChanged), this,
            &MultiCurvePlotWindow::onRefreshIndexChanged);
    m_toolBar->addWidget(zoomOut);
    m_toolBar->addWidget(zoomIn);
    m_toolBar->addWidget(preferences);
    m_toolBar->addWidget(erase);
    m_toolBar->addWidget(m_refreshCombo);
    ui->verticalLayout->addWidget(m_toolBar);
    ui->verticalLayout->addWidget(m_plot);
    ui->verticalLayout->addWidget(m_scrollBar);

    m_plot->setFocusPolicy(Qt::WheelFocus);
    m_legend = new QwtLegend;
    m_legend->setDefaultItemMode(QwtLegendData::Checkable);
    m_legend->setMaxColumns(8);
    m_plot->insertLegend(m_legend, QwtPlot::BottomLegend);
    connect(m_legend, &QwtLegend::checked, this, &MultiCurvePlotWindow::legendChecked);
    // After the legend's own handler: its labels exist by then. Every curve
    // the plot gets later (its first value, or after a reset) gets a new,
    // unticked label, while the curve is drawn.
    connect(m_plot, &QwtPlot::legendDataChanged, this,
            [this](const QVariant &itemInfo, const QList<QwtLegendData> &) { checkLegendLabel(itemInfo); });

    ui->splitter->setStretchFactor(1, 9);
    ui->splitter->setStretchFactor(0, 1);
    m_scrollBar->setRange(1, 1);
    connect(m_scrollBar, &QScrollBar::valueChanged, m_plot, &PlotWidget::onSliderValueChanged);

    m_redrawTimer.setInterval(200);
    connect(&m_redrawTimer, &QTimer::timeout, this, &MultiCurvePlotWindow::redraw);
    m_redrawTimer.start();
    connect(m_plot->tracker(), &CurveTracker::curveInfos, this, &MultiCurvePlotWindow::onCurveInfo);
    m_plot->replot();
}

MultiCurvePlotWindow::~MultiCurvePlotWindow()
{
    // The queue's connection goes with this object; asking for the queue
    // here would make a new one after the main window has destroyed it.
    m_redrawTimer.stop();
    // The plot detaches its curves as it goes, after this window's own
    // members are gone: nothing of that reaches back here.
    m_plot->disconnect(this);
    delete ui;
}

void MultiCurvePlotWindow::addCurves(QList<CJobResultPair> pairs)
{
    for (CJobResultPair &pair : pairs)
        m_plot->addCurve(pair);
    m_plot->onSettingsChanged(pairs);
    setLegendsChecked();
}

void MultiCurvePlotWindow::onJobFinished(CJob job, int result)
{
    LOG4CPLUS_TRACE_FMT(m_log, ">onJobFinished:%s", KELVO_QS(job.getDisplayName()));
    ++m_jobsReceived;
    // A failed run carries no values: its results would plot as zeros.
    if (result != 0)
        return;
    const QString key = JobQueue::jobKey(job);
    if (!m_jobs.contains(key)) {
        LOG4CPLUS_DEBUG(m_log, "insert hash");
        m_jobs.insert(key, job);
    }
    // Only the chosen results travel on to the plot's thread: each hand-over
    // copies the result.
    const PlotWidgetData *data = m_plot->data();
    const int count = job.getResultCount();
    for (int i = 0; i < count; ++i) {
        const CJobResult &res = job.resultAt(i);
        if (data->acceptsResult(job, res.name))
            emit jobResultFinished(res, job, result);
    }
    LOG4CPLUS_TRACE(m_log, "<onJobFinished");
}

void MultiCurvePlotWindow::onJobQueueEvent(JobQueue::Event event, CJob job)
{
    const QString name = job.getDisplayName();
    LOG4CPLUS_DEBUG_FMT(m_log, "onJobQueueEvent1:%d", int(event));
    LOG4CPLUS_DEBUG_FMT(m_log, "onJobQueueEvent2:'%s'", KELVO_QS(name));
    if (event != JobQueue::JobRemoved)
        return;
    LOG4CPLUS_DEBUG_FMT(m_log, "remove RET:, values count%d", m_jobs.size());
    const int removed = m_jobs.remove(JobQueue::jobKey(job));
    LOG4CPLUS_DEBUG_FMT(m_log, "remove RET:%d,count%d", removed, m_jobs.size());
}

void MultiCurvePlotWindow::onPreferences()
{
    LOG4CPLUS_DEBUG(m_log, "plotwindow::mouseDoubleClick");
    MultiCurvePlotSettingsDialog dialog;
    const QList<CJob> queued = JobQueue::instance()->jobs();
    for (auto it = m_jobs.begin(); it != m_jobs.end();) {
        if (queued.contains(it.value()))
            ++it;
        else
            it = m_jobs.erase(it);
    }
    LOG4CPLUS_DEBUG_FMT(m_log, "MultiCurvePlotWindow: jobs:%d", m_jobs.size());
    connect(&dialog, &MultiCurvePlotSettingsDialog::settingsChanged, m_plot, &PlotWidget::onSettingsChanged);

    QList<CJobResultPair> pairs;
    for (auto it = m_jobs.cbegin(); it != m_jobs.cend(); ++it) {
        const CJob &job = it.value();
        LOG4CPLUS_DEBUG_FMT(m_log, "MCPW: job:%s,%d", KELVO_QS(job.getDisplayName()), job.getResultCount());
        for (int i = 0; i < job.getResultCount(); ++i) {
            const CJobResult &res = job.resultAt(i);
            if (res.format != 2 && res.format != 4 && res.format != 7 && res.format != 8)
                continue;
            CJobResultPair pair;
            pair.job = job;
            pair.resultName = res.name;
            pair.resultDisplayName = res.displayName;
            pairs << pair;
        }
    }
    dialog.setSelectedPairs(m_plot->resultPairs());
    dialog.setResultPairs(pairs);
    dialog.exec();
    QTimer::singleShot(200, this, &MultiCurvePlotWindow::onLegendTimer);
}

void MultiCurvePlotWindow::mouseDoubleClickEvent(QMouseEvent *event)
{
    Q_UNUSED(event)
    onPreferences();
}

void MultiCurvePlotWindow::setLegendsChecked()
{
    for (QwtPlotItem *item : m_plot->itemList()) {
        if (item->testItemAttribute(QwtPlotItem::Legend))
            checkLegendLabel(m_plot->itemToInfo(item));
    }
}

void MultiCurvePlotWindow::checkLegendLabel(const QVariant &itemInfo)
{
    QwtPlotItem *item = m_plot->infoToItem(itemInfo);
    if (!item)
        return;
    const bool blocked = m_legend->blockSignals(true);
    for (QWidget *w : m_legend->legendWidgets(itemInfo)) {
        // A curve the user has hidden keeps its label unticked.
        if (auto *label = qobject_cast<QwtLegendLabel *>(w))
            label->setChecked(item->isVisible());
    }
    m_legend->blockSignals(blocked);
}

void MultiCurvePlotWindow::onLegendTimer()
{
    LOG4CPLUS_DEBUG(m_log, "on legendtimer");
    setLegendsChecked();
}

void MultiCurvePlotWindow::legendChecked(const QVariant &itemInfo, bool on)
{
    QwtPlotItem *item = m_plot->infoToItem(itemInfo);
    LOG4CPLUS_DEBUG_FMT(m_log, "LegendChecked:%p", static_cast<void *>(item));
    // The y range stays where it is while curves come and go.
    m_plot->setAxisAutoScale(QwtPlot::yLeft, false);
    m_plot->showCurve(item, on);
}

void MultiCurvePlotWindow::on_horizontalScrollBar_sliderMoved(int position)
{
    LOG4CPLUS_DEBUG_FMT(m_log, "hscroll moved:%d", position);
}

void MultiCurvePlotWindow::onScaleChanged(int axis, double min, double max)
{
    Q_UNUSED(axis)
    Q_UNUSED(min)
    PlotWidgetContainer::followPages(m_plot, m_scrollBar, max);
}

void MultiCurvePlotWindow::onScaleMaxChanged(int axis, double max)
{
    LOG4CPLUS_DEBUG_FMT(m_log, "scale max changed:%d,%f", axis, max);
    updateScrollRange();
}

void MultiCurvePlotWindow::updateScrollRange()
{
    const qint64 pages = m_plot->timeMax() / m_plot->timeWindow();
    m_scrollBar->setMaximum(int(std::min<qint64>(pages, INT_MAX)));
}

void MultiCurvePlotWindow::onRefreshIndexChanged(int index)
{
    Q_UNUSED(index)
}

void MultiCurvePlotWindow::onCurveInfo(QList<CurveInfo> infos)
{
    Q_UNUSED(infos)
}

void MultiCurvePlotWindow::onZoomIn()
{
    m_plot->zoomInTime();
}

void MultiCurvePlotWindow::onZoomOut()
{
    m_plot->zoomOutTime();
}

void MultiCurvePlotWindow::onDelete()
{
    m_plot->reset();
}

void MultiCurvePlotWindow::onYZoomIn()
{
    const QwtInterval range = m_plot->axisInterval(QwtPlot::yLeft);
    LOG4CPLUS_DEBUG_FMT(m_log, "y lower:%f", range.minValue());
    LOG4CPLUS_DEBUG_FMT(m_log, "y higher:%f", range.maxValue());
    m_plot->yZoomStep();
}

void MultiCurvePlotWindow::onYZoomOut()
{
    onZoomIn();
}

void MultiCurvePlotWindow::redraw()
{
    m_plot->redrawAllCurves();
}
