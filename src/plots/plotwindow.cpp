#include "plotwindow.h"
#include "ui_plotwindow.h"

#include "customqwtcurve.h"
#include "customqwtcurvedata.h"
#include "frameclock.h"
#include "gaugecontainer.h"
#include "gaugedefmanager.h"
#include "gaugelist.h"
#include "globaljobreceiver.h"
#include "jobargumentdialog.h"
#include "jobqueue.h"
#include "kelvolog.h"
#include "kelvosettings.h"
#include "exactnumber.h"
#include "latin1.h"
#include "mdihost.h"
#include "plotwidget.h"
#include "plotwidgetcontainer.h"
#include "resulttableview.h"
#include "safefile.h"
#include "tablecolumns.h"
#include "translationmgr.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDate>
#include <QDateTime>
#include <QDebug>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLocale>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMetaMethod>
#include <QMutexLocker>
#include <QPixmap>
#include <QRegExp>
#include <QSizeGrip>
#include <QSortFilterProxyModel>
#include <QSplitter>
#include <QStyle>
#include <QTextStream>
#include <QTime>

#include <cmath>
#include <limits>

namespace {
// An export error stays in the status line this long.
const qint64 ExportErrorHoldMs = 5000;

int clampToInt(qint64 v)
{
    if (v > std::numeric_limits<int>::max())
        return std::numeric_limits<int>::max();
    if (v < std::numeric_limits<int>::min())
        return std::numeric_limits<int>::min();
    return int(v);
}

} // namespace

PlotWindow::PlotWindow(CJob job, QWidget *parent)
    : QWidget(parent)
    , m_job(job)
    , ui(new Ui::PlotWindow)
    , logger(KelvoLog::get("plotwindow"))
{
    LOG4CPLUS_DEBUG(logger, ">plotWindow");
    // The manager outlives every window: it must never become a window's child.
    m_translations = TranslationMgr::instance();

    QString storedRate;
    {
        auto settings = KelvoSettings::open();
        storedRate = settings->value("graph/FPS").toString();
        m_threads = settings->value("graph/threads", false).toBool();
    }

    m_resizeTimer.setSingleShot(true);
    connect(&m_resizeTimer, &QTimer::timeout, this, &PlotWindow::resizeDone);
    connect(&m_refreshTimer, &QTimer::timeout, this, &PlotWindow::timerTimeout);
    connect(FrameClock::instance(), &FrameClock::frame, this, &PlotWindow::onFrame);
    m_refreshTimer.setInterval(500);
    m_paused = false;
    m_started = false;
    m_realtime = false;

    ui->setupUi(this);
    // The form's placeholders would read as a status and figures that no
    // job ever gave: the labels stay empty until something is known.
    for (QLabel *l : {ui->errorStatus, ui->lblJobTime, ui->lblReadyWait, ui->lblUI, ui->lblThroughPut})
        l->clear();
    ui->splitter->setStretchFactor(1, 7);
    ui->splitter->setStretchFactor(0, 3);
    // The first layout splits by the same shares; the user's drag then rules.
    ui->splitter->setSizes({3000, 7000});
    connect(ui->splitter, &QSplitter::splitterMoved, this, [this] { m_splitterMoved = true; });
    setWindowTitle(titleText());

    // Filling the combo selects "Realtime" and runs its slot once.
    ui->cmbRefreshRate->addItem("Realtime", 1);
    ui->cmbRefreshRate->addItem("2Hz", 2);
    ui->cmbRefreshRate->addItem("5Hz", 5);
    ui->cmbRefreshRate->addItem("10Hz", 10);
    ui->cmbRefreshRate->addItem("20Hz", 20);
    ui->cmbRefreshRate->addItem("50Hz", 50);
    applyStoredRate(storedRate);

    m_messageCount = 0;
    setContextMenuPolicy(Qt::CustomContextMenu);
    connect(this, &QWidget::customContextMenuRequested, this, &PlotWindow::contextMenu);
    m_decimalPoint = QLocale::system().decimalPoint();

    // Enabled once a main window is there to hold the gauge screen.
    ui->btnGauge->setEnabled(false);
    // Enabled by connectNotify once somebody answers them.
    ui->btnMultiCurve->setEnabled(false);
    ui->btnDataLog->setEnabled(false);

    ResultTableModel *model = ui->tableView->tableModel();
    connect(model, &ResultTableModel::itemChecked, this, &PlotWindow::onItemChecked,
            Qt::DirectConnection);
    m_proxy = new QSortFilterProxyModel(this);
    m_proxy->setSourceModel(model);
    m_proxy->setFilterKeyColumn(0);
    m_proxy->setFilterCaseSensitivity(Qt::CaseInsensitive);
    m_proxy->setFilterRegExp(ui->txtFilter->text());
    ui->tableView->setModel(m_proxy);
    ui->tableView->horizontalHeader()->setStretchLastSection(true);
    connect(&m_columnTimer, &QTimer::timeout, this, &PlotWindow::resizeTimerFunc);
    m_startTime = 0;
    LOG4CPLUS_DEBUG(logger, "<plotWindow");
}

PlotWindow::~PlotWindow()
{
    LOG4CPLUS_DEBUG(logger, "~PlotWindow");
    m_refreshTimer.stop();
    m_resizeTimer.stop();
    m_columnTimer.stop();
    if (m_registered)
        GlobalJobReceiver::instance()->removeJob(m_job);
    // The view (and its model) goes with the form's widgets; the proxy must
    // not outlive its source in the view.
    ui->tableView->setModel(ui->tableView->tableModel());
    delete ui;
}

QString PlotWindow::titleText() const
{
    if (!m_job.jobTitle.empty())
        return Latin1::toQString(m_job.jobTitle);
    return m_job.getDisplayName();
}

bool PlotWindow::jobIsMine(const CJob &job) const
{
    return PlotWidgetData::sameJob(job, m_job);
}

// ---------------------------------------------------------------- refresh rate

void PlotWindow::applyStoredRate(const QString &stored)
{
    const QString text = stored.trimmed();
    // Nothing stored: realtime, with the timer stopped by the combo's slot
    // (no status line) until a rate is chosen.
    if (text.isEmpty())
        return;
    if (text.toLower() == QLatin1String("realtime")) {
        m_refreshTimer.start(); // status line only
        return;
    }
    bool ok = false;
    const double value = text.toDouble(&ok);
    if (!ok || !std::isfinite(value)) {
        // Not a rate at all: as if nothing were stored.
        LOG4CPLUS_WARN_FMT(logger, "graph/FPS '%s' is not a rate, using realtime", KELVO_QS(text));
        return;
    }
    if (value == std::floor(value) && value >= 1 && value < 1000) {
        const int rate = int(value);
        const int index = ui->cmbRefreshRate->findData(rate);
        if (index == 0) {
            // 1 is the data of "Realtime": realtime, status line every second.
            m_refreshTimer.start(1000 / rate);
            return;
        }
        if (index > 0) {
            m_refreshTimer.setInterval(1000 / rate);
            ui->cmbRefreshRate->setCurrentIndex(index);
            return;
        }
    }
    // A number the window does not offer (0, 7, 2.5, negative, 1000 and
    // more): stay in realtime mode, as with "realtime".
    LOG4CPLUS_WARN_FMT(logger, "graph/FPS '%s' is no offered rate, using realtime",
                       KELVO_QS(text));
    m_refreshTimer.start(500);
}

void PlotWindow::on_cmbRefreshRate_currentIndexChanged(int index)
{
    const int fps = index >= 0 ? ui->cmbRefreshRate->itemData(index).toInt() : 0;
    qDebug() << "fps:" << fps;
    auto settings = KelvoSettings::open();
    if (index <= 0 || fps <= 1) {
        m_realtime = true;
        m_refreshTimer.stop();
        settings->setValue("graph/FPS", "realtime");
        return;
    }
    m_realtime = false;
    m_refreshTimer.start(qMax(1, 1000 / fps));
    settings->setValue("graph/FPS", fps);
}

// ---------------------------------------------------------------- job intake

void PlotWindow::onJobFinished(CJob job, int result)
{
    LOG4CPLUS_DEBUG_FMT(logger, ">jobFinished,job:%s,result:%d,lastExec:%lld",
                        KELVO_QS(job.getDisplayName()), result, (long long)job.timeStamp);
    if (!jobIsMine(job))
        return;
    if (!m_registered) {
        GlobalJobReceiver::instance()->addJob(job);
        m_registered = true;
    }
    m_lastJob = job;
    m_lastResult = result;
    ++m_messageCount;
    if (result != 0) {
        // A failed source sends nothing more until it is started again: its
        // rate is 0 now, not an average that fades.
        m_started = false;
        m_arrivals.clear();
        ui->lblThroughPut->setText(QString::asprintf("%8.1f msg / sec", 0.0));
        if (!job.errorText.empty())
            ui->errorStatus->setText("  Error: " + Latin1::toQString(job.errorText));
        return;
    }
    if (!m_started) {
        m_rateClock.start();
        m_rateStartWall = QDateTime::currentMSecsSinceEpoch();
        m_started = true;
    }
    const qint64 arrived = m_rateClock.elapsed();
    while (!m_arrivals.empty() && m_arrivals.front() < arrived - RateSpanMs)
        m_arrivals.pop_front();
    m_arrivals.push_back(arrived);
    setStatusOk();
    const int count = job.getResultCount();
    if (ui->tableView->rowCount() != count) {
        createTableItems(count, job);
        updateResultsTableWithJob(job, false);
        m_columnTimer.start(500);
    }
    for (int i = 0; i < count; ++i) {
        // Read in place: a copy would cost about 1 KB per result and job.
        const CJobResult &res = job.resultAt(i);
        PlotWidgetContainer *container = m_plots.value(Latin1::toQString(res.name), nullptr);
        if (container) {
            followDisplayName(container, res);
            container->plotWidget()->onJobResultUpdated(res, job, result);
        }
    }
    // Realtime shows every job with the next display frame: painting per
    // job would paint the table and the plots many times within one frame.
    if (m_realtime) {
        m_framePending = true;
        FrameClock::instance()->request();
    }
    LOG4CPLUS_DEBUG_FMT(logger, "<jobFinished,job:%s,result:%d", KELVO_QS(job.getDisplayName()),
                        result);
}

void PlotWindow::followDisplayName(PlotWidgetContainer *container, const CJobResult &res)
{
    CustomQwtCurve *curve = firstCurve(container->plotWidget());
    if (!curve || !curve->followDisplayName(res.displayName))
        return;
    CJobResultPair pair = container->resultPair();
    pair.resultDisplayName = res.displayName;
    container->setResultPair(pair);
    LOG4CPLUS_INFO_FMT(logger, "%s is now shown as %s", res.name.c_str(), res.displayName.c_str());
    // The logger names its columns after the plots: it takes the new name.
    emit plotWidgetStatusChanged(0, m_job, Latin1::toQString(res.name));
}

void PlotWindow::setStatusOk()
{
    if (m_paused)
        return;
    if (m_exportErrorClock.isValid() && m_exportErrorClock.elapsed() < ExportErrorHoldMs)
        return;
    if (!m_sourceNotice.isEmpty()) {
        ui->errorStatus->setText("  Error: " + m_sourceNotice);
        return;
    }
    ui->errorStatus->setText("Status: OK");
}

void PlotWindow::setSourceNotice(const QString &text)
{
    m_sourceNotice = text;
    // A failed job's message stays until the next job; before any job
    // there is nothing to call OK.
    if (m_lastResult != 0 || (text.isEmpty() && m_messageCount == 0))
        return;
    setStatusOk();
}

void PlotWindow::timerTimeout()
{
    if (m_messageCount == 0)
        return;
    if (m_messageCount > 1)
        ui->lblThroughPut->setText(QString::asprintf("%8.1f msg / sec", messagesPerSecond()));
    updateStatusLabels(m_lastJob);
    // Only fills the table and draws: the values reached the plots when the
    // job came in, and handing them again would add duplicate points.
    if (!m_realtime && m_lastResult == 0)
        updateResultsTableWithJob(m_lastJob, true);
}

void PlotWindow::onFrame()
{
    if (!m_framePending)
        return;
    if (!m_realtime) {
        m_framePending = false;
        return;
    }
    if (m_resizing) {
        // The table follows once the resize is over.
        for (PlotWidgetContainer *container : qAsConst(m_plots))
            drawFirstCurve(container->plotWidget());
        return;
    }
    m_framePending = false;
    if (m_lastResult != 0) {
        for (PlotWidgetContainer *container : qAsConst(m_plots))
            drawFirstCurve(container->plotWidget());
        return;
    }
    updateResultsTableWithJob(m_lastJob, true);
}

double PlotWindow::messagesPerSecond()
{
    if (!m_started)
        return 0.0;
    const qint64 now = m_rateClock.elapsed();
    while (!m_arrivals.empty() && m_arrivals.front() < now - RateSpanMs)
        m_arrivals.pop_front();
    const double n = double(m_arrivals.size());
    // The clock started with the first reading: until a whole span has
    // passed, the intervals since then count.
    if (now < RateSpanMs)
        return n < 2 || now <= 0 ? 0.0 : (n - 1) / double(now) * 1000.0;
    return n / double(RateSpanMs) * 1000.0;
}

void PlotWindow::updateStatusLabels(const CJob &job)
{
    if (!m_paused) {
        ui->lblJobTime->setText(QString::asprintf("Job: % 4d ms", clampToInt(job.duration)));
        const qint64 lag = QDateTime::currentMSecsSinceEpoch() - job.timeStamp;
        ui->lblUI->setText(QString::asprintf("UI: % 4d ms", clampToInt(lag)));
    }
    if (job.hasTelegram())
        ui->lblReadyWait->setText(QString::asprintf("RWait: % 4d ms", clampToInt(job.readWaitTime)));
    else
        ui->lblReadyWait->setText(QString());
}

// ---------------------------------------------------------------- the table

void PlotWindow::createTableItems(int rows, const CJob &job)
{
    Q_UNUSED(job);
    qDebug() << "createTableItems:rows:" << rows;
    const QStringList names = m_plots.keys();
    for (const QString &name : names)
        removePlotWidget(name);
    // The filter proxy stays on the view, so a rebuild keeps the filter.
    ui->tableView->tableModel()->setDimensions(rows, 3);
}

void PlotWindow::updateResultsTableWithJob(CJob &job, bool withValues)
{
    const int count = job.getResultCount();
    for (int i = 0; i < count; ++i) {
        const CJobResult &res = job.resultAt(i);
        LOG4CPLUS_TRACE_FMT(logger, "resultName:%s", res.name.c_str());
        PlotWidgetContainer *container = m_plots.value(Latin1::toQString(res.name), nullptr);
        if (container)
            drawFirstCurve(container->plotWidget());
        updateResultsTable2(res, i, withValues);
    }
    if (withValues && m_fitWithUnits)
        fitTable();
}

void PlotWindow::updateResultsTable2(const CJobResult &result, int row, bool withValues)
{
    // Only the cells whose texts changed are painted again.
    ResultTableModel *model = ui->tableView->tableModel();
    const std::string &shown = result.displayName.empty() ? result.name : result.displayName;
    if (!withValues) {
        model->updateText(row, 0, Latin1::toQString(shown));
        model->setUserData(row, 0, QVariant::fromValue(result));
    } else {
        // A source may rename a result while it runs (an Innovate input
        // given another function): the row follows it. A value without a
        // display name (a log's, a test's) renames nothing, as for curves.
        if (!result.displayName.empty() && model->setText(row, 0, Latin1::toQString(shown))) {
            model->setUserData(row, 0, QVariant::fromValue(result));
            model->refreshCell(row, 0);
        }
        const std::string &unit = result.unit.empty() ? result.typeName : result.unit;
        model->updateText(row, 1, Latin1::toQString(unit));
    }
    model->updateText(row, 2, formatValue(result, m_job.hasTelegram()));
}

QString PlotWindow::formatValue(const CJobResult &result, bool serialJob)
{
    switch (result.format) {
    case 8: {
        // A real without a value (a formula that has none yet) shows its
        // text, which is empty then, rather than "nan".
        if (!std::isfinite(result.realValue))
            return result.textQ();
        if (serialJob) {
            // The number format comes from job-list files and is used as a
            // printf precision only: ".2" and the like, nothing else.
            const QString nf = Latin1::toQString(result.numberFormat).trimmed();
            if (nf.isEmpty())
                return QString::asprintf("% f", result.realValue);
            static const QRegExp precision("^\\.(\\d{1,2})$");
            QRegExp rx(precision);
            if (rx.exactMatch(nf))
                return QString::asprintf("% .*f", rx.cap(1).toInt(), result.realValue);
        }
        return QString::number(result.realValue, 'f', 3);
    }
    case 7:
        return result.textQ();
    case 2:
    case 4: {
        // A text without a number (blanks, a message) is shown as it came,
        // never as 0.
        double v = 0.0;
        if (!ExactNumber::resultValue(result, v))
            return result.textQ();
        v = qBound(double(std::numeric_limits<int>::min()), v,
                   double(std::numeric_limits<int>::max()));
        return QString::asprintf("%d", int(v));
    }
    default:
        return result.textQ();
    }
}

void PlotWindow::resizeTimerFunc()
{
    qDebug() << "resizeTimerFunc()";
    ui->tableView->resizeColumnToContents(0);
    m_columnTimer.setSingleShot(true);
    fitTable();
}

void PlotWindow::fitTable()
{
    ResultTableView *view = ui->tableView;
    ResultTableModel *model = view->tableModel();
    if (model->rowCount() == 0)
        return;
    // Units come with the first values; until then the column keeps its
    // width and is fitted again when they are there.
    const bool units = !model->data(model->index(0, 1)).toString().isEmpty();
    m_fitWithUnits = !units;
    if (units)
        view->resizeColumnToContents(1);
    if (m_splitterMoved)
        return;
    const QFontMetrics metrics(view->font());
    const QAbstractItemView *cells = view;
    // Room for a number of ten places, the last column takes the rest: a
    // long text value (hex data) is cut rather than take the plots' room.
    const int margin = 2 * view->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, view) + 4;
    const int value = metrics.horizontalAdvance(QStringLiteral("-00000.000")) + margin;
    const int names = cells->sizeHintForColumn(0);
    const int rest = view->columnWidth(1) + value + view->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, view)
        + 2 * view->frameWidth();
    const QList<int> sizes = ui->splitter->sizes();
    if (sizes.size() != 2)
        return;
    const int total = sizes[0] + sizes[1];
    if (total <= 0)
        return;
    const int table = qMax(sizes[0], qMin(names + rest, total / 2));
    if (table != sizes[0])
        ui->splitter->setSizes({table, total - table});
    view->setColumnWidth(0, qMax(qMin(names, table - rest), metrics.horizontalAdvance(QStringLiteral("MMMMMMMM"))));
}

void PlotWindow::on_txtFilter_textChanged(const QString &text)
{
    qDebug() << "textChanged:" << text;
    QRegExp rx(text, Qt::CaseInsensitive);
    if (!rx.isValid()) // half-typed expressions filter by the plain text
        rx = QRegExp(QRegExp::escape(text), Qt::CaseInsensitive);
    m_proxy->setFilterRegExp(rx);
    TableColumns::fitToContents(ui->tableView);
}

void PlotWindow::on_btnMarkAll_clicked()
{
    if (ui->btnMarkAll->text() == QLatin1String("Mark all")) {
        markAll(false);
        ui->btnMarkAll->setText("Unmark");
    } else {
        markAll(true);
        ui->btnMarkAll->setText("Mark all");
    }
}

void PlotWindow::markAll(bool unmark)
{
    ui->scrollArea->setUpdatesEnabled(false);
    const bool wasBlocked = ui->scrollArea->blockSignals(true);
    const int rows = m_proxy->rowCount();
    for (int r = 0; r < rows; ++r) {
        const QModelIndex index = m_proxy->index(r, 0);
        const CJobResult res = index.data(Qt::UserRole).value<CJobResult>();
        if (res.format != 2 && res.format != 4 && res.format != 8)
            continue;
        m_proxy->setData(index, unmark ? Qt::Unchecked : Qt::Checked, Qt::CheckStateRole);
    }
    ui->scrollArea->blockSignals(wasBlocked);
    ui->scrollArea->setUpdatesEnabled(true);
}

// ---------------------------------------------------------------- plots

void PlotWindow::onItemChecked(int row, int col, Qt::CheckState state)
{
    LOG4CPLUS_DEBUG(logger, ">onItemChecked");
    if (col == 0) {
        const CJobResult res =
            ui->tableView->tableModel()->userData(row, 0).value<CJobResult>();
        if (state == Qt::Checked)
            addPlotWidget(res);
        else
            removePlotWidget(Latin1::toQString(res.name));
    }
    LOG4CPLUS_DEBUG(logger, "<onItemChecked");
}

void PlotWindow::addPlotWidget(CJobResult result)
{
    const QString name = Latin1::toQString(result.name);
    {
        QMutexLocker lock(&m_plotMutex);
        if (m_plots.contains(name)) {
            LOG4CPLUS_DEBUG(logger, "result already exists");
            return;
        }
        LOG4CPLUS_DEBUG(logger, "result NOT FOUND");
        auto *container = new PlotWidgetContainer(this, m_threads);
        PlotWidget *plot = container->plotWidget();
        plot->setPlotAllResults(true);
        if (m_startTime == 0)
            m_startTime = QDateTime::currentMSecsSinceEpoch();
        plot->setStartTime(m_startTime);
        CJobResultPair pair;
        pair.job = m_job;
        pair.resultName = result.name;
        pair.resultDisplayName = result.displayName;
        pair.result = result;
        container->setResultPair(pair);
        plot->addCurve(pair);
        plot->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
        plot->setFocusPolicy(Qt::WheelFocus);
        m_plots.insert(name, container);
        ui->scrollVL->addWidget(container);
        if (m_paused) {
            // A plot added while paused looks paused too.
            if (CustomQwtCurve *curve = firstCurve(plot)) {
                m_pausedPens.insert(name, curve->pen());
                curve->setPen(QColor(Qt::gray), 2);
            }
        }
    }
    emit plotWidgetStatusChanged(0, m_job, name);
    LOG4CPLUS_DEBUG_FMT(logger, ">adding pair: %s:%s", KELVO_QS(m_job.getDisplayName()),
                        result.name.c_str());
    LOG4CPLUS_DEBUG(logger, "<addPlotWidget");
}

void PlotWindow::removePlotWidget(QString name)
{
    bool removed = false;
    {
        QMutexLocker lock(&m_plotMutex);
        PlotWidgetContainer *container = m_plots.take(name);
        if (container) {
            ui->scrollVL->removeWidget(container);
            container->hide();
            container->deleteLater();
            m_pausedPens.remove(name);
            LOG4CPLUS_DEBUG_FMT(logger, " remove really:%s", KELVO_QS(name));
            removed = true;
        }
    }
    if (removed)
        emit plotWidgetStatusChanged(0, m_job, name);
    LOG4CPLUS_DEBUG(logger, "<removePlotWidget");
}

CustomQwtCurve *PlotWindow::firstCurve(PlotWidget *plot)
{
    if (!plot || plot->curveMap().isEmpty())
        return nullptr;
    return plot->curveAt(0);
}

void PlotWindow::drawFirstCurve(PlotWidget *plot)
{
    if (CustomQwtCurve *curve = firstCurve(plot))
        plot->redrawCurve(curve);
}

void PlotWindow::resetPlotWidgets()
{
    m_messageCount = 0;
    on_pushButton_clicked();
}

void PlotWindow::on_pushButton_clicked()
{
    // Every plot of the window restarts at one and the same time.
    m_startTime = QDateTime::currentMSecsSinceEpoch();
    for (PlotWidgetContainer *container : qAsConst(m_plots)) {
        PlotWidget *plot = container->plotWidget();
        plot->reset();
        plot->setStartTime(m_startTime);
        plot->replot();
    }
}

void PlotWindow::setStartTime(qint64 value)
{
    LOG4CPLUS_DEBUG_FMT(logger, "setStartTime:%lld", (long long)value);
    m_startTime = value;
    for (PlotWidgetContainer *container : qAsConst(m_plots))
        container->plotWidget()->setStartTime(value);
}

// ---------------------------------------------------------------- pause, keys, menu

void PlotWindow::setPaused(bool paused)
{
    if (paused == m_paused)
        return;
    m_paused = paused;
    if (paused) {
        ui->errorStatus->setText("Paused");
        JobQueue::instance()->removeJob(m_job);
        for (auto it = m_plots.cbegin(); it != m_plots.cend(); ++it) {
            PlotWidget *plot = it.value()->plotWidget();
            if (CustomQwtCurve *curve = firstCurve(plot)) {
                m_pausedPens.insert(it.key(), curve->pen());
                curve->setPen(QColor(Qt::gray), 2);
            }
            plot->replot();
        }
        return;
    }
    for (auto it = m_plots.cbegin(); it != m_plots.cend(); ++it) {
        PlotWidget *plot = it.value()->plotWidget();
        if (CustomQwtCurve *curve = firstCurve(plot)) {
            // The curve's own colour comes back; a curve born during the
            // pause (after a reset) already has it.
            if (m_pausedPens.contains(it.key()))
                curve->setPen(m_pausedPens.value(it.key()));
        }
        plot->replot();
    }
    m_pausedPens.clear();
    CJob queued = m_job;
    JobQueue::instance()->addJob(queued);
}

void PlotWindow::keyPressEvent(QKeyEvent *event)
{
    if (event->modifiers() == Qt::ControlModifier) {
        if (event->key() == Qt::Key_E)
            saveScreenshot();
        else if (event->key() == Qt::Key_S)
            saveCsv();
        return;
    }
    if (event->key() == Qt::Key_Space) {
        setPaused(!m_paused);
        return;
    }
    if (event->key() == Qt::Key_R) {
        resetPlotWidgets();
        return;
    }
    QWidget::keyPressEvent(event);
}

void PlotWindow::mouseDoubleClickEvent(QMouseEvent *event)
{
    Q_UNUSED(event);
    LOG4CPLUS_DEBUG(logger, "mouseDOubleClicked");
    close();
}

void PlotWindow::contextMenu(const QPoint &pos)
{
    QMenu menu(this);
    menu.addAction("Job parameters");
    menu.addAction("Reset graph");
    menu.addAction("Screenshot");
    menu.addAction("Save CSV");
    menu.addAction("Select All");
    QMenu *rates = menu.addMenu("Display refresh speed");
    for (const char *text : {"Realtime", "2Hz", "5Hz", "10Hz", "20Hz", "50Hz"})
        rates->addAction(text);
    QAction *chosen = menu.exec(mapToGlobal(pos));
    if (chosen)
        runMenuAction(chosen->text());
}

void PlotWindow::runMenuAction(const QString &text)
{
    if (text == QLatin1String("Job parameters")) {
        JobArgumentDialog dialog(this, Latin1::toQString(m_job.arguments));
        dialog.exec();
        m_job.arguments = Latin1::toStd(dialog.argument());
        LOG4CPLUS_DEBUG_FMT(logger, "after dialog, argument=%s", m_job.arguments.c_str());
        // A paused job stays out of the queue; resuming queues the new text.
        if (!m_paused) {
            JobQueue::instance()->removeJob(m_job);
            CJob queued = m_job;
            JobQueue::instance()->addJob(queued);
        }
    } else if (text == QLatin1String("Reset graph")) {
        resetPlotWidgets();
    } else if (text == QLatin1String("Screenshot")) {
        saveScreenshot();
    } else if (text == QLatin1String("Save CSV")) {
        saveCsv();
    } else if (text == QLatin1String("Select All")) {
        markAll(false);
    } else if (text == QLatin1String("Realtime")) {
        m_realtime = true;
    } else if (text.endsWith(QLatin1String("Hz"))) {
        const int fps = text.chopped(2).toInt();
        if (fps > 0) {
            m_realtime = false;
            m_refreshTimer.start(1000 / fps);
        }
    }
}

// ---------------------------------------------------------------- buttons

QList<CJobResultPair> PlotWindow::plottedPairs()
{
    QList<CJobResultPair> pairs;
    for (PlotWidgetContainer *container : qAsConst(m_plots)) {
        const auto &curves = container->plotWidget()->curveMap();
        // Each curve's own pair: it names the ECU, which the map's key
        // only stands for.
        for (CustomQwtCurve *curve : curves)
            pairs << *curve->resultPair();
    }
    return pairs;
}

void PlotWindow::on_btnMultiCurve_clicked()
{
    const QList<CJobResultPair> pairs = plottedPairs();
    for (const CJobResultPair &pair : pairs)
        LOG4CPLUS_DEBUG_FMT(logger, "multiplot pair: %s:%s", KELVO_QS(pair.getJobName()), pair.resultName.c_str());
    if (!isSignalConnected(QMetaMethod::fromSignal(&PlotWindow::multiCurveRequested))) {
        LOG4CPLUS_DEBUG(logger, "no window host for a multi-curve plot");
        return;
    }
    emit multiCurveRequested(pairs);
}

void PlotWindow::setMainWnd(MdiHost *mainWindow)
{
    m_mainWindow = mainWindow;
    ui->btnGauge->setEnabled(mainWindow != nullptr);
}

void PlotWindow::on_btnGauge_clicked()
{
    createGauges();
}

GaugeContainer *PlotWindow::createGauges()
{
    if (!m_mainWindow)
        return nullptr;
    const QList<CJobResultPair> pairs = plottedPairs();
    for (const CJobResultPair &pair : pairs)
        LOG4CPLUS_DEBUG_FMT(logger, "gauge for %s:%s", KELVO_QS(pair.getJobName()), pair.resultName.c_str());
    // The main window made the manager; only without one does this window
    // load the gauge files, and then the application owns them: a first
    // caller's parent would delete them with this window under every other
    // user's feet.
    const TranslationMgr *translations = m_translations;
    const GaugeList list = GaugeListBuilder::build(
        pairs, *GaugeDefManager::instance(qApp), GaugeListBuilder::plotWindowDefaults(),
        [translations](const QString &upperResultName) {
            return translations->lookup(RES_S, Latin1::toStd(upperResultName));
        });

    auto *container = new GaugeContainer(nullptr);
    QMdiSubWindow *sub = m_mainWindow->addSubWindow(container);
    container->setSubWindow(sub);
    sub->layout()->addWidget(new QSizeGrip(sub));
    container->setColumns(list.columns);
    m_mainWindow->connectJobListener(container);
    const QSize host = m_mainWindow->hostSize();
    sub->resize(int(host.width() * 0.5), int(host.height() * 0.5));
    sub->move(0, 0);
    container->setStyleSheet(QStringLiteral("background-color:black"));
    container->setWindowTitle(windowTitle());
    for (const GaugeListEntry &entry : list.entries)
        container->addGauge(entry.pair, entry.def, entry.autoScale);
    container->show();
    return container;
}

void PlotWindow::on_btnDataLog_clicked()
{
    emit dataLogRequested();
}

void PlotWindow::connectNotify(const QMetaMethod &signal)
{
    // The button is live only once somebody answers it.
    if (ui && signal == QMetaMethod::fromSignal(&PlotWindow::dataLogRequested))
        ui->btnDataLog->setEnabled(true);
    if (ui && signal == QMetaMethod::fromSignal(&PlotWindow::multiCurveRequested))
        ui->btnMultiCurve->setEnabled(true);
    QWidget::connectNotify(signal);
}

// ---------------------------------------------------------------- resize, close

void PlotWindow::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    m_resizeTimer.start(200);
    m_resizing = true;
    m_refreshTimer.stop();
    m_lastWidth = width();
    m_lastHeight = height();
}

void PlotWindow::resizeDone()
{
    qDebug() << "resizeDone";
    m_resizing = false;
    m_refreshTimer.start();
    if (m_framePending)
        FrameClock::instance()->request();
}

void PlotWindow::closeEvent(QCloseEvent *event)
{
    qDebug() << "close event";
    JobQueue::instance()->removeJob(m_job);
    event->accept();
    const QStringList names = m_plots.keys();
    for (const QString &name : names)
        removePlotWidget(name);
    emit closed(event);
}

// ---------------------------------------------------------------- export

QString PlotWindow::exportName(const QString &name)
{
    QString cleaned = name;
    cleaned.replace(QRegExp("[/\\\\,:.]"), "_");
    return cleaned;
}

QString PlotWindow::csvTimeText(double x, QChar decimalPoint)
{
    qint64 ms = 0;
    if (std::isfinite(x))
        ms = qint64(qBound(-9.0e15, x, 9.0e15));
    const bool negative = ms < 0;
    if (negative)
        ms = -ms;
    const qint64 h = ms / 3600000;
    const qint64 m = ms / 60000 - 60 * h;
    const qint64 s = ms / 1000 - (ms / 60000) * 60;
    QString text = QString::asprintf("%s%02lld:%02lld:%02lld.%03lld", negative ? "-" : "",
                                     (long long)h, (long long)m, (long long)s,
                                     (long long)(ms % 1000));
    text.replace(QLatin1Char('.'), decimalPoint);
    return text;
}

QString PlotWindow::csvValueText(double y, QChar decimalPoint)
{
    // Every digit the value has: the file is read back as data.
    return ExactNumber::of(y, decimalPoint);
}

void PlotWindow::showExportError(const QString &text)
{
    LOG4CPLUS_ERROR_FMT(logger, "export failed: %s", KELVO_QS(text));
    ui->errorStatus->setText("  Error: " + text);
    m_exportErrorClock.start();
}

bool PlotWindow::saveScreenshot()
{
    const QDateTime now = QDateTime::currentDateTime();
    const QString fileName = exportName(titleText() + "_" + now.date().toString("yyyy-MM-dd") + "-"
                                        + now.time().toString("HHmmsszzz"))
        + ".png";
    const QPixmap pixmap = grab();
    if (!pixmap.save(fileName, "PNG")) {
        showExportError(QString("cannot write screenshot %1").arg(fileName));
        return false;
    }
    LOG4CPLUS_INFO_FMT(logger, "screenshot saved: %s", KELVO_QS(fileName));
    return true;
}

bool PlotWindow::saveCsv()
{
    const QDateTime now = QDateTime::currentDateTime();
    const QString stamp = now.date().toString("yyyy-MM-dd") + "-" + now.time().toString("HHmmsszzz");
    bool allWritten = true;
    QStringList failed;
    for (auto it = m_plots.cbegin(); it != m_plots.cend(); ++it) {
        CustomQwtCurve *curve = firstCurve(it.value()->plotWidget());
        if (!curve)
            continue;
        const QString resultName = Latin1::toQString(curve->resultPair()->resultName);
        const QString fileName =
            exportName(stamp + "_" + titleText() + "_" + resultName) + ".csv";
        QByteArray csv;
        {
            QTextStream out(&csv, QIODevice::WriteOnly);
            out << "Time;" << resultName << "\n";
            const CustomQwtCurveData *data = curve->curveData();
            const qint64 points = data ? data->pointCount() : 0;
            for (qint64 i = 0; i < points; ++i) {
                // The values as recorded, not stretched to the plot's common scale.
                out << csvTimeText(data->rawX(i), m_decimalPoint) << ";"
                    << csvValueText(data->rawY(i), m_decimalPoint) << "\n";
            }
        }
        SafeFile file(fileName);
        if (!file.write(csv)) {
            LOG4CPLUS_ERROR_FMT(logger, "%s %s: %s", file.openFailed() ? "cannot open" : "cannot write",
                                KELVO_QS(fileName), KELVO_QS(file.errorString()));
            // The reason goes with the name: a full disk wants another remedy
            // than a folder that has gone.
            failed << QString("%1 (%2)").arg(fileName, file.errorString());
            allWritten = false;
            continue;
        }
        LOG4CPLUS_INFO_FMT(logger, "curve saved: %s", KELVO_QS(fileName));
    }
    if (!allWritten)
        showExportError(QString("cannot write %1").arg(failed.join(", ")));
    return allWritten;
}
