#include "loggingwindow.h"
#include "ui_loggingwindow.h"

#include "customqwtcurve.h"
#include "datalogger.h"
#include "dataloggerset.h"
#include "globaljobreceiver.h"
#include "kelvosettings.h"
#include "latin1.h"
#include "loggingrule.h"
#include "loggingwindowhost.h"
#include "numbertext.h"
#include "plotwidget.h"
#include "plotwidgetcontainer.h"
#include "plotwindow.h"
#include "readablecolour.h"
#include "threadcall.h"
#include "translationmgr.h"

#include <QCloseEvent>
#include <QDebug>
#include <QDir>
#include <QFileDialog>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMessageBox>
#include <QSet>
#include <QThread>

namespace {
const int linesCountIntervalMs = 200;
// The red of a failure, in a shade that reads on the theme's background.
const QColor failureColour(0xd0, 0, 0);

// A stored choice: its index, or the default when the text is no number or
// no entry of the box (an index out of range would leave the box blank
// while the logger used something else).
int storedIndex(QSettings &settings, const QString &key, int def, int count)
{
    bool ok = false;
    const int index = settings.value(key, def).toString().trimmed().toInt(&ok);
    return ok && index >= 0 && index < count ? index : def;
}

// An unquoted INI value with commas reads back as a list: join it again.
QString storedText(QSettings &settings, const QString &key)
{
    const QVariant value = settings.value(key);
    if (value.type() == QVariant::StringList)
        return value.toStringList().join(QLatin1Char(','));
    return value.toString();
}
} // namespace

LoggingWindow::LoggingWindow(QWidget *parent, LoggingWindowHost *host)
    : QWidget(parent)
    , ui(new Ui::LoggingWindow)
    , m_host(host)
{
    ui->setupUi(this);
    m_translations = TranslationMgr::instance();
    logger = KelvoLog::get("logging");
    fillCombos();

    m_dataLogger = new DataLogger();
    m_loggerThread = new QThread();
    m_loggerThread->setObjectName(QStringLiteral("dataLoggerThread"));
    ui->tableView->verticalHeader()->setDefaultSectionSize(24);

    // The receiver emits it while its registry changes; the slot reads the
    // registry again, so the delivery stays queued.
    connect(GlobalJobReceiver::instance(), &GlobalJobReceiver::jobsChanged, this, &LoggingWindow::jobsChanged,
            Qt::QueuedConnection);
    connect(&m_linesTimer, &QTimer::timeout, this, &LoggingWindow::updateLinesCount);
    m_linesTimer.start(linesCountIntervalMs);

    m_dataLogger->moveToThread(m_loggerThread);
    m_loggerThread->start(QThread::InheritPriority);
    logging = false;

    // The logger's own thread emits them: for a start or stop by a rule as
    // for every other.
    connect(m_dataLogger, &DataLogger::logFileStarted, this, &LoggingWindow::logFileStarted, Qt::QueuedConnection);
    connect(m_dataLogger, &DataLogger::logFileStopped, this, &LoggingWindow::logFileStopped, Qt::QueuedConnection);
    connect(m_dataLogger, &DataLogger::logFileError, this, &LoggingWindow::logFileError, Qt::QueuedConnection);

    if (m_host)
        m_host->connectJobListener(this);
    setAttribute(Qt::WA_DeleteOnClose);

    createSaveFilter();
    connect(this, &LoggingWindow::markerEvent, m_dataLogger, &DataLogger::onMarkerEvent);

    fillPresetList();
    loadSettings();
    ui->tableView->fill(GlobalJobReceiver::instance()->jobs());
    on_cmbPreset_activated(ui->cmbPreset->currentText());
    // What the "Data" tab ticks feeds no column: it stays out of reach.
    ui->tabJobData->setEnabled(false);
}

LoggingWindow::~LoggingWindow()
{
    saveSettings();
    m_linesTimer.stop();
    disconnect(m_dataLogger, nullptr, this, nullptr);
    disconnect(this, nullptr, m_dataLogger, nullptr);
    // No rule may start a file once the window is gone. The logger ends in
    // its own thread, after the jobs already handed to it, and closes and
    // syncs its file; the window waits for that.
    m_dataLogger->setRule(LoggingRule());
    DataLogger *worker = m_dataLogger;
    QThread *thread = m_loggerThread;
    ThreadCall::run(worker, [worker, thread] {
        delete worker;
        thread->quit();
    });
    thread->wait();
    delete thread;
    m_dataLogger = nullptr;
    delete ui;
}

void LoggingWindow::fillCombos()
{
    ui->cmdTimeFormat->addItem(QStringLiteral("Milliseconds"), int(DataLogger::Milliseconds));
    ui->cmdTimeFormat->addItem(QStringLiteral("Time in seconds"), int(DataLogger::TimeInSeconds));
    ui->cmdTimeFormat->addItem(QStringLiteral("Current time"), int(DataLogger::CurrentTime));
    ui->cmdTimeFormat->addItem(QStringLiteral("System time milliseconds"), int(DataLogger::SystemTimeMilliseconds));
    ui->cmbCSVSep->addItem(QStringLiteral("Semi-colon"), 0);
    ui->cmbCSVSep->addItem(QStringLiteral("Comma"), 1);
    ui->cmbCSVSep->addItem(QStringLiteral("Tab"), 2);
    ui->cmdParamDisplay->addItem(QStringLiteral("Original"));
    ui->cmdParamDisplay->addItem(QStringLiteral("Translated"));
    ui->cmdParamDisplay->addItem(QStringLiteral("Result name"));
}

// ---------------------------------------------------------------- columns

QString LoggingWindow::columnTitle(const CJobResultPair &plotted) const
{
    switch (ui->cmdParamDisplay->currentIndex()) {
    case ResultNameText:
        return Latin1::toQString(plotted.resultName);
    case TranslatedText: {
        QString text = m_translations->lookup(RES_S, plotted.resultName);
        if (text.isEmpty() || text == QLatin1String("-")) {
            const QByteArray asItIs = Latin1::toQString(plotted.resultName).toUtf8();
            text = m_translations->translator()->translate(RES_S, asItIs.constData(), nullptr);
            LOG4CPLUS_DEBUG_FMT(logger, "custom jobs translation:%s", asItIs.constData());
        }
        return text;
    }
    case OriginalText:
    default:
        return Latin1::toQString(plotted.resultDisplayName);
    }
}

void LoggingWindow::createSaveFilter()
{
    m_dataLogger->clearFilter();
    m_filter.clear();
    m_identity.setJobs({});
    if (!m_host)
        return;
    for (PlotWindow *window : m_host->plotWindows()) {
        // A plot window that closes takes its columns with it.
        connect(window, &QObject::destroyed, this, &LoggingWindow::onPlotWindowGone,
                Qt::ConnectionType(Qt::QueuedConnection | Qt::UniqueConnection));
        const QMap<QString, PlotWidgetContainer *> &plots = window->plotWidgets();
        for (PlotWidgetContainer *container : plots) {
            // A plot without curves has nothing to log.
            const CustomQwtCurve *curve = container->plotWidget()->curveAt(0);
            if (!curve)
                continue;
            const CJobResultPair &plotted = *curve->resultPair();
            CJobResultPair pair;
            pair.job = window->job();
            pair.result = plotted.result;
            pair.resultName = plotted.resultName;
            QString title = columnTitle(plotted);
            if (title.isEmpty()) {
                LOG4CPLUS_DEBUG(logger, "resultdisplayname was empty, setting resultname instead");
                title = Latin1::toQString(plotted.resultName);
            }
            pair.resultDisplayName = Latin1::toStd(title);
            LOG4CPLUS_DEBUG_FMT(logger, "pair: job %s res: %s disp: %s", KELVO_QS(pair.job.getDisplayName()),
                                pair.resultName.c_str(), pair.resultDisplayName.c_str());
            m_dataLogger->addToFilter(pair);
            m_filter << pair;
        }
    }
    QList<CJob> jobs;
    for (const CJobResultPair &pair : qAsConst(m_filter))
        jobs << pair.job;
    m_identity.setJobs(jobs);
}

QStringList LoggingWindow::entryTexts() const
{
    QList<QPair<QString, CJob>> entries;
    for (const CJobResultPair &pair : qAsConst(m_filter))
        entries << qMakePair(DataLogger::columnTitle(pair), pair.job);
    return JobIdentity::distinctTexts(entries);
}

void LoggingWindow::fillParameterList()
{
    ui->listResultNames->clear();
    const QStringList texts = entryTexts();
    for (int i = 0; i < m_filter.size(); ++i) {
        auto *item = new QListWidgetItem(texts.at(i), ui->listResultNames);
        item->setData(Qt::UserRole, QVariant::fromValue(m_filter.at(i)));
    }
}

void LoggingWindow::plotWidgetStatusChanged(int, CJob job, QString result)
{
    LOG4CPLUS_DEBUG_FMT(logger, "Logwnd: job %s result: %s", KELVO_QS(job.getDisplayName()), KELVO_QS(result));
    createSaveFilter();
    fillParameterList();
}

void LoggingWindow::onPlotWindowGone()
{
    createSaveFilter();
    fillParameterList();
}

void LoggingWindow::on_cmdParamDisplay_activated(int)
{
    createSaveFilter();
    fillParameterList();
}

// ---------------------------------------------------------------- start and stop

bool LoggingWindow::ruleBound(QLineEdit *field, const QString &fieldName, double *value)
{
    QString text = field->text().trimmed();
    if (text.isEmpty()) {
        *value = 0.0;
        return true;
    }
    // A decimal comma is taken too; "nan" and "inf" are no bounds.
    bool ok = false;
    *value = NumberText::toDouble(text, &ok, NumberText::PointOrComma);
    if (!ok)
        showMessage(QStringLiteral("%1 \"%2\" is not a number: the rule cannot start.")
                        .arg(fieldName, field->text()));
    return ok;
}

void LoggingWindow::on_btnExec_clicked()
{
    if (logging) {
        m_dataLogger->stopLog();
        return;
    }
    if (ui->listResultNames->count() == 0) {
        showMessage(QStringLiteral("No results selected !"));
        return;
    }
    const QChar decimal = ui->chkComma->isChecked() ? QLatin1Char(',') : QLatin1Char('.');
    QChar separator;
    switch (ui->cmbCSVSep->currentData().toInt()) {
    case 0:
        separator = QLatin1Char(';');
        break;
    case 1:
        separator = QLatin1Char(',');
        break;
    case 2:
        separator = QLatin1Char('\t');
        break;
    default:
        break;
    }
    // The logger would write "." instead: refused, so that the user's choice is not silently changed.
    if (!separator.isNull() && DataLogger::decimalFor(decimal, separator) != decimal) {
        showMessage(QStringLiteral("The decimal comma cannot be used with the \"Comma\" column separator: "
                                   "the lines could not be split back into their columns. "
                                   "Choose another separator or the decimal point."));
        return;
    }
    double minimum = 0.0;
    double maximum = 0.0;
    if (ui->chkRuleEnable->isChecked()
        && (!ruleBound(ui->txtMin, ui->label_5->text(), &minimum)
            || !ruleBound(ui->txtMax, ui->label_6->text(), &maximum)))
        return;

    m_failure.clear();
    showFileState(ui->labelFileName->text(), false);

    m_dataLogger->setDecimalSeparator(decimal);
    m_dataLogger->setMarkerColumn(ui->chkMarker->isChecked());
    if (!separator.isNull())
        m_dataLogger->setSeparator(separator);
    m_dataLogger->setFillColumns(ui->chkFillCols->isChecked());
    m_dataLogger->setTimeFormat(ui->cmdTimeFormat->currentData().toInt());
    m_dataLogger->setLogPath(ui->txtLogFIle->text());
    m_dataLogger->setFilePrefix(ui->cmbPrefix->currentText());

    createSaveFilter();

    m_dataLogger->clearSyncJobs();
    for (int i = 0; i < ui->listSelectedSyncJobs->count(); ++i) {
        const CJob job = ui->listSelectedSyncJobs->item(i)->data(JobRole).value<CJob>();
        qDebug() << "SYNCJOBS:" << job.getDisplayName() << job.ecuName.c_str();
        m_dataLogger->addSyncJob(job);
    }

    if (ui->chkRuleEnable->isChecked()) {
        const QVariant data = ui->cmbJobs->currentData();
        if (data.canConvert<CJobResultPair>()) {
            const CJobResultPair pair = data.value<CJobResultPair>();
            LoggingRule rule;
            rule.active = true;
            rule.watch(pair);
            rule.lower.value = minimum;
            rule.lower.type = RuleCondition::Larger;
            rule.upper.value = maximum;
            rule.upper.type = RuleCondition::Smaller;
            m_dataLogger->setRule(rule);
        }
    } else {
        m_dataLogger->setRule(LoggingRule());
    }
    m_dataLogger->startLog(QString());
}

void LoggingWindow::showFileState(const QString &text, bool failed)
{
    ui->labelFileName->setText(text);
    ReadableColour::setTextColour(ui->labelFileName, failed ? failureColour : QColor());
}

void LoggingWindow::logFileStarted(const QString &file)
{
    LOG4CPLUS_DEBUG_FMT(logger, "log started:%s", KELVO_QS(file));
    logging = true;
    ui->btnExec->setText(QStringLiteral("Stop"));
    QString text = QStringLiteral("Saving %1 values to %2").arg(m_dataLogger->filterCount()).arg(file);
    if (!m_failure.isEmpty())
        text += QLatin1Char('\n') + m_failure;
    showFileState(text, !m_failure.isEmpty());
}

void LoggingWindow::logFileStopped(const QString &file)
{
    LOG4CPLUS_DEBUG_FMT(logger, "log stopped:%s", KELVO_QS(file));
    logging = false;
    ui->btnExec->setText(QStringLiteral("Start"));
    if (m_failure.isEmpty())
        showFileState(QStringLiteral("Saved:") + file, false);
    else
        showFileState(QStringLiteral("Stopped: ") + m_failure, true);
}

void LoggingWindow::logFileError(const QString &message)
{
    LOG4CPLUS_ERROR_FMT(logger, "%s", KELVO_QS(message));
    m_failure = message;
    if (logging)
        showFileState(QStringLiteral("Saving %1 values to %2\n%3")
                          .arg(m_dataLogger->filterCount())
                          .arg(m_dataLogger->fileName(), message),
                      true);
    else
        showFileState(message, true);
    showMessage(message);
}

void LoggingWindow::showMessage(const QString &text)
{
    // Not modal: the jobs keep coming and the log keeps its pace meanwhile.
    auto *box = new QMessageBox(QMessageBox::Warning, windowTitle(), text, QMessageBox::Ok, this);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setModal(false);
    box->show();
}

void LoggingWindow::onJobFinished(CJob job, int result)
{
    Q_UNUSED(result);
    // An armed rule watches the jobs also while no file is open.
    if (!logging && !m_dataLogger->isRuleActive())
        return;
    QMetaObject::invokeMethod(m_dataLogger, "handleData", Qt::QueuedConnection, Q_ARG(CJob, job));
}

void LoggingWindow::updateLinesCount()
{
    const int lines = m_dataLogger->lineCount();
    LOG4CPLUS_TRACE_FMT(logger, "linesCount: %d", lines);
    ui->labelLinesCount->setText(QString::number(lines));
}

void LoggingWindow::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        LOG4CPLUS_DEBUG(logger, "keyPressEvent: marker");
        emit markerEvent();
        event->accept();
        return;
    }
    QWidget::keyPressEvent(event);
}

void LoggingWindow::closeEvent(QCloseEvent *event)
{
    saveSettings();
    logging = false;
    // Disarmed first: no rule may open a file after the window closed.
    m_dataLogger->setRule(LoggingRule());
    m_dataLogger->stopLog();
    QWidget::closeEvent(event);
}

// ---------------------------------------------------------------- tabs and lists

void LoggingWindow::on_tabWidget_currentChanged(int index)
{
    QWidget *tab = ui->tabWidget->widget(index);
    qDebug() << "tab selected:" << ui->tabWidget->tabText(index) << "index:" << index;
    if (tab == ui->tabSync)
        refreshSyncJobs();
    else if (tab == ui->tabRules)
        refreshRuleJobs();
}

void LoggingWindow::refreshSyncJobs()
{
    // One entry per job: two ECUs' jobs of one name are two entries.
    QSet<QString> selected;
    for (int i = 0; i < ui->listSelectedSyncJobs->count(); ++i)
        selected.insert(m_identity.of(ui->listSelectedSyncJobs->item(i)->data(JobRole).value<CJob>()));
    ui->listSyncJobs->clear();
    QSet<QString> listed;
    for (const CJobResultPair &pair : qAsConst(m_filter)) {
        const QString id = m_identity.of(pair.job);
        if (listed.contains(id) || selected.contains(id))
            continue;
        listed.insert(id);
        auto *item = new QListWidgetItem;
        item->setData(Qt::UserRole, pair.job.getDisplayName());
        item->setData(JobRole, QVariant::fromValue(pair.job));
        ui->listSyncJobs->insertItem(0, item);
    }
    // Titles (the display name where a job has none), told apart by ECU
    // where two jobs share one; over both lists, as items move between them.
    QList<QListWidgetItem *> items;
    QList<QPair<QString, CJob>> entries;
    for (QListWidget *list : {ui->listSyncJobs, ui->listSelectedSyncJobs}) {
        for (int i = 0; i < list->count(); ++i) {
            QListWidgetItem *item = list->item(i);
            const CJob job = item->data(JobRole).value<CJob>();
            const QString name = job.getDisplayName();
            items << item;
            entries << qMakePair(job.jobTitle.empty() ? name : Latin1::toQString(job.jobTitle), job);
        }
    }
    const QStringList texts = JobIdentity::distinctTexts(entries);
    for (int i = 0; i < items.size(); ++i) {
        items[i]->setText(texts.at(i));
        items[i]->setToolTip(texts.at(i) == entries.at(i).first
                                 ? entries.at(i).second.getDisplayName()
                                 : QStringLiteral("%1 (%2)").arg(entries.at(i).second.getDisplayName(),
                                                                 Latin1::toQString(entries.at(i).second.ecuName)));
    }
}

void LoggingWindow::refreshRuleJobs()
{
    const QVariant chosen = ui->cmbJobs->currentData();
    ui->cmbJobs->clear();
    const QStringList texts = entryTexts();
    for (int i = 0; i < m_filter.size(); ++i)
        ui->cmbJobs->insertItem(0, texts.at(i), QVariant::fromValue(m_filter.at(i)));
    // The value watched so far stays chosen while it is still logged: that
    // result of that ECU's job, not the one of the same name on another ECU.
    if (chosen.canConvert<CJobResultPair>()) {
        const CJobResultPair was = chosen.value<CJobResultPair>();
        const QString wasJob = m_identity.of(was.job);
        for (int i = 0; i < ui->cmbJobs->count(); ++i) {
            const CJobResultPair pair = ui->cmbJobs->itemData(i).value<CJobResultPair>();
            if (pair.resultName == was.resultName && m_identity.of(pair.job) == wasJob) {
                ui->cmbJobs->setCurrentIndex(i);
                break;
            }
        }
    } else {
        ui->cmbJobs->setCurrentIndex(0);
    }
}

void LoggingWindow::on_listSyncJobs_itemClicked(QListWidgetItem *item)
{
    QListWidgetItem *taken = ui->listSyncJobs->takeItem(ui->listSyncJobs->row(item));
    if (taken)
        ui->listSelectedSyncJobs->insertItem(0, taken);
}

void LoggingWindow::on_listSelectedSyncJobs_itemClicked(QListWidgetItem *item)
{
    QListWidgetItem *taken = ui->listSelectedSyncJobs->takeItem(ui->listSelectedSyncJobs->row(item));
    if (taken)
        ui->listSyncJobs->insertItem(0, taken);
}

void LoggingWindow::on_pushButton_2_clicked()
{
    const QString dir = QFileDialog::getExistingDirectory(this, QString(), ui->txtLogFIle->text());
    if (!dir.isEmpty())
        ui->txtLogFIle->setText(QDir::toNativeSeparators(dir));
}

// ---------------------------------------------------------------- result table and presets

void LoggingWindow::jobsChanged()
{
    const QList<CJob> jobs = GlobalJobReceiver::instance()->jobs();
    qDebug() << " LoggingWnd: jobsChanged, jobs count=" << jobs.size();
    ui->tableView->fill(jobs);
    on_cmbPreset_activated(ui->cmbPreset->currentText());
}

void LoggingWindow::onQueueStatusChanged(int)
{
    LOG4CPLUS_DEBUG(logger, "onQueueStatusChanged()");
}

void LoggingWindow::on_txtFilter_textChanged(const QString &text)
{
    ui->tableView->setFilterText(text);
}

void LoggingWindow::fillPresetList()
{
    DataLoggerSet set;
    set.readFile();
    const QString current = ui->cmbPreset->currentText();
    ui->cmbPreset->clear();
    ui->cmbPreset->addItems(set.presetNames());
    ui->cmbPreset->setCurrentText(current);
}

void LoggingWindow::on_cmbPreset_activated(const QString &name)
{
    LOG4CPLUS_DEBUG_FMT(logger, "preset activated %s", KELVO_QS(name));
    DataLoggerSet set;
    set.readFile();
    QVariantList rows;
    for (const LoggingResultTableView::Row &row : ui->tableView->rows())
        rows << DataLoggerSet::entry(row.ecu, row.job, row.result);
    ui->tableView->uncheckAll();
    for (int row : set.rowsToTick(name, rows))
        ui->tableView->setChecked(row, true);
}

void LoggingWindow::on_pushButton_3_clicked()
{
    handleLoggerSetSaveAction();
}

void LoggingWindow::handleLoggerSetSaveAction()
{
    const QString name = ui->cmbPreset->currentText().trimmed();
    if (name.isEmpty()) {
        showMessage(QStringLiteral("Type a name for the preset first."));
        return;
    }
    DataLoggerSet set;
    QString error;
    if (set.readFile(&error) == DataLoggerSet::Invalid) {
        showMessage(error + QStringLiteral("\nThe preset was not saved."));
        return;
    }
    QVariantList entries;
    for (const LoggingResultTableView::Row &row : ui->tableView->checkedShownRows())
        entries << DataLoggerSet::entry(row.ecu, row.job, row.result);
    set.insertPreset(name, entries);
    if (!set.writeFile(&error)) {
        showMessage(error);
        return;
    }
    qDebug() << "preset name:" << name;
    fillPresetList();
    ui->cmbPreset->setCurrentText(name);
}

void LoggingWindow::on_btnPresetDel_clicked()
{
    const QString name = ui->cmbPreset->currentText();
    qDebug() << "del preset: " << name;
    DataLoggerSet set;
    QString error;
    if (set.readFile(&error) == DataLoggerSet::Invalid) {
        showMessage(error + QStringLiteral("\nThe preset was not deleted."));
        return;
    }
    qDebug() << "removed: " << set.removePreset(name);
    if (!set.writeFile(&error)) {
        showMessage(error);
        return;
    }
    ui->cmbPreset->setCurrentText(QString());
    fillPresetList();
    if (ui->cmbPreset->count() > 0)
        ui->cmbPreset->setCurrentIndex(0);
    on_cmbPreset_activated(ui->cmbPreset->currentText());
}

// ---------------------------------------------------------------- settings

void LoggingWindow::loadSettings()
{
    auto settings = KelvoSettings::open();
    ui->cmdTimeFormat->setCurrentIndex(
        storedIndex(*settings, QStringLiteral("logging/timeformat"), 1, ui->cmdTimeFormat->count()));
    ui->cmbCSVSep->setCurrentIndex(
        storedIndex(*settings, QStringLiteral("logging/CSVSeparator"), 1, ui->cmbCSVSep->count()));

    QString path = storedText(*settings, QStringLiteral("logging/logfilepath"));
    if (!QDir(path).exists()) {
        qDebug() << path << "does not exist";
        path = QDir::toNativeSeparators(QDir::currentPath());
    }
    ui->txtLogFIle->setText(path);

    const QString prefixes = storedText(*settings, QStringLiteral("logging/logfileprefix"));
    if (!prefixes.isEmpty())
        ui->cmbPrefix->addItems(prefixes.split(QLatin1Char(',')));

    const QString preset = settings->value(QStringLiteral("logging/preset")).toString();
    qDebug() << "preset=" << preset;
    ui->cmbPreset->setCurrentText(preset);
    fillParameterList();
}

void LoggingWindow::saveSettings()
{
    auto settings = KelvoSettings::open();
    settings->setValue(QStringLiteral("logging/timeformat"), ui->cmdTimeFormat->currentIndex());
    settings->setValue(QStringLiteral("logging/CSVSeparator"), ui->cmbCSVSep->currentIndex());
    settings->setValue(QStringLiteral("logging/logfilepath"), ui->txtLogFIle->text());
    QStringList prefixes;
    for (int i = 0; i < ui->cmbPrefix->count(); ++i)
        prefixes << ui->cmbPrefix->itemText(i);
    // A prefix typed but not entered is the one in use: kept, and first.
    const QString typed = ui->cmbPrefix->currentText();
    if (!typed.isEmpty() && !prefixes.contains(typed))
        prefixes.prepend(typed);
    settings->setValue(QStringLiteral("logging/logfileprefix"), prefixes.join(QLatin1Char(',')));
    settings->setValue(QStringLiteral("logging/preset"), ui->cmbPreset->currentText());
}
