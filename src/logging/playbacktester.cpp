#include "playbacktester.h"
#include "ui_playbacktester.h"

#include "basic2dchart.h"
#include "csvgraphwindow.h"
#include "gaugecontainer.h"
#include "gaugedefmanager.h"
#include "latin1.h"
#include "mdihost.h"
#include "exactnumber.h"
#include "playbackthread.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QKeyEvent>
#include <QMdiSubWindow>
#include <QScrollBar>
#include <QSet>
#include <QSignalBlocker>
#include <QThread>
#include <algorithm>
#include <cmath>

PlayBackTester::PlayBackTester(QWidget *parent, MdiHost *mainWnd)
    : QWidget(parent)
    , mainWnd(mainWnd)
    , ui(new Ui::PlayBackTester)
    , logger(KelvoLog::get("playback"))
{
    ui->setupUi(this);
    setFocusPolicy(Qt::StrongFocus);
    // The buttons would move the focus with Left and Right, the text box
    // its cursor, the speed box its caret: the keys step rows wherever the
    // focus is in the window.
    for (QWidget *child : findChildren<QWidget *>())
        child->installEventFilter(this);
    // A manager of its own: the program-wide one belongs to the gauge setup.
    defManager = new GaugeDefManager(this);
    defManager->loadDefs();
    defManager->loadScreens();
    fillFileList();
}

PlayBackTester::~PlayBackTester()
{
    stopWorker();
    delete ui;
}

void PlayBackTester::fillFileList()
{
    // Only files: a directory named "x.csv" cannot be played.
    const QStringList names =
        QDir::current().entryList({QStringLiteral("*.csv")}, QDir::Files, QDir::Name | QDir::IgnoreCase);
    ui->cmbCsvFile->addItems(names);
}

void PlayBackTester::stopWorker()
{
    if (!thread)
        return;
    if (worker)
        worker->quit();
    thread->quit();
    while (!thread->wait(100))
        LOG4CPLUS_DEBUG(logger, "waiting for runnerThread to finish");
    // The worker went with its thread; what it sent and this window has not
    // yet taken belongs to the log that is closing.
    QCoreApplication::removePostedEvents(this, QEvent::MetaCall);
    worker = nullptr;
    delete thread;
    thread = nullptr;
}

void PlayBackTester::on_pushButton_5_clicked()
{
    // One player at a time: the earlier one is stopped and gone first.
    stopWorker();
    openedFile = ui->cmbCsvFile->currentText();
    loadReport.clear();
    thread = new QThread(this);
    thread->setObjectName(QStringLiteral("playback"));
    worker = new PlayBackThread();
    connect(thread, &QThread::started, worker, &PlayBackThread::runLoop);
    connect(thread, &QThread::finished, worker, &QObject::deleteLater);
    connect(worker, &PlayBackThread::positionChanged, this, &PlayBackTester::onPosChanged);
    connect(worker, &PlayBackThread::fileStatusChanged, this, &PlayBackTester::fileStatusChanged);
    connect(worker, &PlayBackThread::jobsReady, this, &PlayBackTester::jobsReady);
    connect(worker, &PlayBackThread::statusChanged, this, &PlayBackTester::onPlayStatusChanged);
    worker->moveToThread(thread);
    worker->setFileName(openedFile);
    worker->setSpeed(ui->spnSpeed->value());
    thread->start(QThread::InheritPriority);
    ui->btnStart->setEnabled(true);
    ui->btnStart->setText(QStringLiteral("Start"));
    // Row 0 is the log's first row: the player opens on it.
    {
        const QSignalBlocker blocker(ui->horizontalScrollBar);
        ui->horizontalScrollBar->setValue(0);
    }
    on_horizontalScrollBar_valueChanged(0);
}

void PlayBackTester::on_pushButton_4_clicked()
{
    if (worker)
        worker->next();
}

void PlayBackTester::on_pushButton_3_clicked()
{
    if (worker)
        worker->prev();
}

void PlayBackTester::onPosChanged(int ind)
{
    LOG4CPLUS_DEBUG_FMT(logger, "posChanged:%d", ind);
    // The player is already there: no seek back to it.
    const QSignalBlocker blocker(ui->horizontalScrollBar);
    ui->horizontalScrollBar->setValue(ind);
}

void PlayBackTester::on_horizontalScrollBar_valueChanged(int value)
{
    LOG4CPLUS_DEBUG_FMT(logger, "valuechanged:%d", value);
    if (worker)
        worker->seek(quint32(qMax(0, value)));
}

void PlayBackTester::fileStatusChanged(int status)
{
    LOG4CPLUS_DEBUG_FMT(logger, "filestatus changed %d", status);
    switch (status) {
    case PlayBackThread::Loading:
        ui->textEdit->append(QStringLiteral("loading file.."));
        break;
    case PlayBackThread::Loaded:
        ui->textEdit->append(QStringLiteral("file loaded"));
        if (worker) {
            loadReport = worker->warnings();
            if (worker->rowCount() == 0)
                loadReport << QStringLiteral("empty log");
        }
        for (const QString &line : qAsConst(loadReport))
            ui->textEdit->append(line);
        {
            // The player is on row 0 already: setting the range seeks nowhere.
            const QSignalBlocker blocker(ui->horizontalScrollBar);
            ui->horizontalScrollBar->setRange(0, worker ? qMax(0, worker->rowCount() - 1) : 0);
        }
        buildViews();
        openGraphWindow();
        break;
    case PlayBackThread::LoadFailed: {
        const QString why = worker ? worker->errorString() : QString();
        ui->textEdit->append(why.isEmpty() ? QStringLiteral("Error during load")
                                           : QStringLiteral("Error during load: ") + why);
        ui->btnStart->setEnabled(false);
        break;
    }
    default:
        break;
    }
}

int PlayBackTester::gaugeColumns(int columnCount)
{
    return int(std::sqrt(double(qMax(0, columnCount))));
}

GaugeDef PlayBackTester::gaugeDefFor(const QList<GaugeDef> &defs, const JobInfo &column, bool *found)
{
    const QString jobName = Latin1::toQString(column.job.jobName);
    for (const GaugeDef &def : defs) {
        if (def.jobName.compare(jobName, Qt::CaseInsensitive) != 0)
            continue;
        if (def.resultName.compare(column.resultName, Qt::CaseInsensitive) == 0
            || def.resultName.compare(column.sideFileName, Qt::CaseInsensitive) == 0) {
            if (found)
                *found = true;
            return def;
        }
    }
    if (found)
        *found = false;
    GaugeDef def;
    def.jobName = jobName;
    def.resultName = column.resultName;
    QString title = column.resultName;
    title.remove(QStringLiteral("STAT_"));
    title.remove(QStringLiteral("_WERT"));
    def.title = title;
    def.unit = QStringLiteral("-");
    def.min = 0;
    def.max = 1;
    def.needleColor = QColor(QStringLiteral("#157DEC"));
    def.color = QColor(QStringLiteral("#ff0000"));
    def.fillColor = QColor(QStringLiteral("#000000"));
    def.textColor = QColor(QStringLiteral("#ffffff"));
    def.titleColor = QColor(QStringLiteral("#FFFFFF"));
    return def;
}

void PlayBackTester::buildViews()
{
    if (!worker || !mainWnd)
        return;
    const QHash<int, JobInfo> table = worker->columns();
    QList<int> keys = table.keys();
    std::sort(keys.begin(), keys.end());
    QStringList ecus;
    for (int key : keys) {
        const QString ecu = Latin1::toQString(table.value(key).job.ecuName);
        if (!ecus.contains(ecu))
            ecus << ecu;
    }
    LOG4CPLUS_DEBUG_FMT(logger, "count of unique ecus:%d", int(ecus.size()));

    if (ui->chkChart2D->isChecked()) {
        auto *chart2D = new Basic2DChart(this);
        chart2D->setMainWnd(mainWnd);
        mainWnd->addSubWindow(chart2D)->show();
        connect(this, &PlayBackTester::jobFinished, chart2D, &Basic2DChart::onJobFinished, Qt::QueuedConnection);
        chart = chart2D;
    }

    auto *container = new GaugeContainer();
    QMdiSubWindow *sub = mainWnd->addSubWindow(container);
    container->setSubWindow(sub);
    container->setColumns(gaugeColumns(table.size()));
    connect(this, &PlayBackTester::jobFinished, container, &GaugeContainer::onJobFinished, Qt::QueuedConnection);
    const QSize host = mainWnd->hostSize();
    sub->resize(host.width() / 2, host.height() / 2);
    sub->move(0, 0);
    container->setStyleSheet(QStringLiteral("background-color:black"));

    for (const QString &ecu : ecus) {
        LOG4CPLUS_DEBUG_FMT(logger, "ecu:%s", KELVO_QS(ecu));
        const QList<GaugeDef> defs = defManager->gaugeDefs(ecu);
        for (int key : keys) {
            const JobInfo info = table.value(key);
            if (Latin1::toQString(info.job.ecuName) != ecu)
                continue;
            LOG4CPLUS_DEBUG_FMT(logger, "looping: %s-%s", info.job.jobName.c_str(), KELVO_QS(info.resultName));
            CJobResultPair pair;
            pair.job = info.job;
            pair.resultName = Latin1::toStd(info.resultName);
            pair.resultDisplayName = pair.resultName;
            bool found = false;
            const GaugeDef def = gaugeDefFor(defs, info, &found);
            if (found)
                LOG4CPLUS_DEBUG_FMT(logger, "found! add: %s-%s", info.job.jobName.c_str(), KELVO_QS(info.resultName));
            else
                LOG4CPLUS_DEBUG(logger, "does not contain, create new gaugedef");
            container->addGauge(pair, def, !found);
        }
    }
    container->show();
    // Sized to its dials it would shrink to a strip of unreadable ones: the
    // screen keeps half the main window.
    sub->resize(host.width() / 2, host.height() / 2);
    gauges = container;
}

void PlayBackTester::openGraphWindow()
{
    if (!mainWnd)
        return;
    auto *window = new CSVGraphWindow();
    QMdiSubWindow *sub = mainWnd->addSubWindow(window);
    if (window->load(openedFile))
        LOG4CPLUS_DEBUG(logger, "csv loaded ok");
    window->setScrollPosition(0);
    window->show();
    const QSize host = mainWnd->hostSize();
    window->resize(int(host.width() * 0.75), int(host.height() * 0.4));
    sub->resize(window->width(), int(host.height() * 0.4));
    // At the bottom of the area, which is the main window less its menu and
    // status bars: taken from the main window's height, the window's lower
    // edge with its scroll bar lay below the area.
    const int bottom = sub->parentWidget() ? sub->parentWidget()->height() : host.height() - 30;
    sub->move(0, qMax(0, bottom - sub->height()));
    graph = window;
}

void PlayBackTester::jobsReady(QList<CJob> jobs)
{
    // What the load reported stays in sight while the rows change below it.
    QStringList lines = loadReport;
    for (const CJob &job : qAsConst(jobs)) {
        const QString name = Latin1::toQString(job.jobName);
        lines << name;
        for (const CJobResult &r : job.results) {
            lines << name + Latin1::toQString(r.name);
            lines << ExactNumber::of(r.realValue);
        }
    }
    ui->textEdit->setPlainText(lines.join(QLatin1Char('\n')));
    for (const CJob &job : qAsConst(jobs))
        emit jobFinished(job, 0);
}

void PlayBackTester::on_btnStart_clicked()
{
    if (!worker)
        return;
    if (worker->getStatus() == PlayBackThread::STOPPED) {
        worker->startPlay();
        ui->btnStart->setText(QStringLiteral("Stop"));
    } else {
        worker->stopPlay();
        ui->btnStart->setText(QStringLiteral("Play"));
    }
}

void PlayBackTester::onPlayStatusChanged(int status)
{
    if (status == PlayBackThread::STOPPED)
        ui->btnStart->setText(QStringLiteral("Play"));
}

void PlayBackTester::on_spnSpeed_valueChanged(int value)
{
    if (worker)
        worker->setSpeed(value);
}

void PlayBackTester::on_cmbCsvFile_activated(const QString &)
{
    ui->btnStart->setEnabled(false);
}

bool PlayBackTester::stepKey(QKeyEvent *event)
{
    // Plain arrows only (keypad ones too): Shift+Left still selects text.
    if ((event->modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier)
        return false;
    switch (event->key()) {
    case Qt::Key_Left:
        on_pushButton_3_clicked();
        return true;
    case Qt::Key_Right:
        on_pushButton_4_clicked();
        return true;
    default:
        return false;
    }
}

void PlayBackTester::keyPressEvent(QKeyEvent *event)
{
    if (!stepKey(event))
        QWidget::keyPressEvent(event);
}

bool PlayBackTester::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyPress && stepKey(static_cast<QKeyEvent *>(event)))
        return true;
    return QWidget::eventFilter(watched, event);
}

void PlayBackTester::closeEvent(QCloseEvent *event)
{
    stopWorker();
    QWidget::closeEvent(event);
}
