#include "managecustomjobform.h"
#include "ui_managecustomjobform.h"

#include "createjobdialog.h"
#include "customjobseditor.h"
#include "customjobtables.h"
#include "filewatch.h"
#include "jobargumentrules.h"
#include "jobqueue.h"
#include "kelvosettings.h"
#include "latin1.h"
#include "prgtabletest.h"
#include "problemlabel.h"
#include "translationmgr.h"

#include <QDebug>
#include <QKeyEvent>
#include <QLabel>
#include <QMap>
#include <QMessageBox>
#include <QMetaMethod>
#include <QRegularExpression>
#include <QStandardItemModel>
#include <algorithm>

namespace {

// Both name the same entry of the store.
bool sameEntry(const CJob &a, const CJob &b)
{
    return a.ecuName == b.ecuName && a.jobName == b.jobName && a.virtualName == b.virtualName;
}

} // namespace

ManageCustomJobForm::ManageCustomJobForm(QWidget *parent)
    : QWidget(parent)
    , ui(new Ui::ManageCustomJobForm)
    , model(new QStandardItemModel(this))
    , logger(KelvoLog::get("customjobform"))
    , tableCache(KelvoLog::get("customjobform"))
    , translations(TranslationMgr::instance())
    , storeWatch(new FileWatch(CustomJobsEditor().fileName(), this))
{
    ui->setupUi(this);
    ui->tableView->setModel(model);
    clearSelectors();
    connect(ui->tableView, &CustomJobTableVIew::onKeyPressed, this, &ManageCustomJobForm::onTableKeyPressed);
    connect(storeWatch, &FileWatch::changed, this, &ManageCustomJobForm::onStoreChanged);
    loadJobs();
    const QString last = lastPlotEcu();
    if (!last.isEmpty()) {
        const int index = ui->cmbEcu->findText(last, Qt::MatchExactly | Qt::MatchCaseSensitive);
        if (index >= 0)
            ui->cmbEcu->setCurrentIndex(index);
    }
    on_cmbEcu_activated(ui->cmbEcu->currentIndex());
}

ManageCustomJobForm::~ManageCustomJobForm()
{
    delete ui;
}

QString ManageCustomJobForm::lastPlotEcu()
{
    return KelvoSettings::open()->value(QStringLiteral("windows/lastPlotEcu")).toString();
}

void ManageCustomJobForm::loadJobs()
{
    LOG4CPLUS_DEBUG(logger, "> loadJobs()");
    CustomJobsEditor editor;
    const QList<CJob> jobs = editor.getCustomJobs();
    // An empty list is no answer: the user learns why there are no jobs.
    const QString problem = editor.errorString();
    if (!problem.isEmpty())
        LOG4CPLUS_WARN_FMT(logger, "no custom jobs shown: %s", KELVO_QS(problem));
    storeProblem = problem.isEmpty() ? QString()
                                     : QStringLiteral("No custom jobs shown: %1. They show as soon as the file "
                                                      "reads.")
                                           .arg(problem);
    showProblems();
    // Sorted by character code: capitals before small letters.
    QMap<QString, bool> ecus;
    for (const CJob &job : jobs)
        ecus.insert(Latin1::toQString(job.ecuName), true);
    for (auto it = ecus.constBegin(); it != ecus.constEnd(); ++it) {
        LOG4CPLUS_TRACE_FMT(logger, "adding item:%s", KELVO_QS(it.key()));
        ui->cmbEcu->addItem(it.key(), it.key());
    }
    LOG4CPLUS_DEBUG(logger, "< loadJobs()");
}

CJob ManageCustomJobForm::getJobFromCombo(bool &ok, int index)
{
    const QVariant data = ui->cmbJobs->itemData(index, Qt::UserRole);
    ok = data.isValid() && data.canConvert<CJob>();
    return ok ? data.value<CJob>() : CJob();
}

void ManageCustomJobForm::setJobToCombo(CJob &job, int index, bool &ok)
{
    ui->cmbJobs->setItemData(index, QVariant::fromValue(job), Qt::UserRole);
    ok = true;
}

const PRGTable *ManageCustomJobForm::getTableFromCache(const QString &ecu, const QString &table)
{
    return tableCache.get(reader, ecu + QStringLiteral(".prg"), table);
}

QString ManageCustomJobForm::nextSetName()
{
    static const QRegularExpression setName(QStringLiteral("SET_(\\d+)$"));
    int highest = 0;
    bool any = false;
    for (int i = 0; i < ui->cmbJobs->count(); ++i) {
        bool ok = false;
        const CJob job = getJobFromCombo(ok, i);
        const QRegularExpressionMatch match = setName.match(Latin1::toQString(job.virtualName));
        if (!ok || !match.hasMatch())
            continue;
        // The number the name ends in, compared as a number: SET_10 follows SET_9.
        highest = std::max(highest, match.captured(1).toInt());
        any = true;
    }
    return QStringLiteral("SET_%1").arg(any ? highest + 1 : 1);
}

void ManageCustomJobForm::clearSelectors()
{
    model->clear();
    model->setHorizontalHeaderLabels(CustomJobTables::selectorHeader());
}

void ManageCustomJobForm::showProblems()
{
    QStringList lines;
    for (const QString *p : {&storeProblem, &selectorProblem, &pickProblem}) {
        if (!p->isEmpty())
            lines << *p;
    }
    ProblemLabel::show(ui->lblStoreProblem, lines.join(QLatin1Char('\n')));
}

void ManageCustomJobForm::refusePick(const QString &why)
{
    LOG4CPLUS_WARN_FMT(logger, "nothing added: %s", KELVO_QS(why));
    pickProblem = QStringLiteral("Nothing added: %1.").arg(why);
    showProblems();
}

void ManageCustomJobForm::on_cmbEcu_activated(int index)
{
    const QString ecu = ui->cmbEcu->itemText(index);
    LOG4CPLUS_DEBUG_FMT(logger, "getting jobs for %s", KELVO_QS(ecu));
    const QList<CJob> jobs = CustomJobsEditor().getCustomJobs(ecu);
    ui->cmbJobs->clear();
    LOG4CPLUS_DEBUG_FMT(logger, "ecu %s activated", KELVO_QS(ecu));
    for (const CJob &job : jobs)
        ui->cmbJobs->addItem(Latin1::toQString(job.comment), QVariant::fromValue(job));
    if (ui->cmbJobs->count() > 0) {
        on_cmbJobs_activated(0);
    } else {
        ui->txtJobName->clear();
        clearSelectors();
        selectorProblem.clear();
        pickProblem.clear();
        showProblems();
    }
}

void ManageCustomJobForm::on_cmbJobs_activated(int index)
{
    bool ok = false;
    const CJob job = getJobFromCombo(ok, index);
    if (!ok)
        return;
    const QString jobName = Latin1::toQString(job.jobName);
    const QString arguments = Latin1::toQString(job.arguments);
    ui->txtJobName->setText(jobName);
    const QString ecu = ui->cmbEcu->currentText();
    const JobArgumentRules rules;
    const QString tableName = rules.getTableName(jobName);
    clearSelectors();
    // What the table shows is what the job holds now: an earlier refusal
    // no longer applies.
    pickProblem.clear();
    selectorProblem.clear();
    bool unparsed = false;
    const QStringList entries = rules.parseSelectors(jobName, arguments, &unparsed);
    // The user learns why the table has no rows, or which of them are no
    // value the ECU knows, instead of an empty grid.
    QString title = Latin1::toQString(job.virtualName);
    if (title.isEmpty())
        title = jobName;
    // why, then the entries it concerns; a job without entries has nothing
    // to resolve.
    auto unresolved = [&](const QString &why, const QStringList &which) {
        QStringList quoted;
        for (const QString &entry : which)
            quoted << QLatin1Char('\'') + entry + QLatin1Char('\'');
        selectorProblem = QStringLiteral("%1: %2 %3.").arg(title, why, quoted.join(QStringLiteral(", ")));
        showProblems();
    };
    if (tableName.isEmpty()) {
        LOG4CPLUS_DEBUG(logger, "table not found");
        if (!entries.isEmpty())
            unresolved(QStringLiteral("the job %1 takes no selectors from a table, so no entry resolves:").arg(jobName),
                       entries);
        else
            showProblems();
        return;
    }
    const PRGTable *table = getTableFromCache(ecu, tableName);
    if (!table) {
        LOG4CPLUS_DEBUG(logger, "table not found");
        if (!entries.isEmpty())
            unresolved(QStringLiteral("the table %1 of %2.prg does not read, so no entry resolves:").arg(tableName, ecu),
                       entries);
        else
            showProblems();
        return;
    }
    const CustomJobTables::SelectorRows rows =
        CustomJobTables::selectorRows(table->text, tableName, ecu, jobName, arguments, translations);
    if (!rows.problem.isEmpty()) {
        LOG4CPLUS_ERROR_FMT(logger, "%s", KELVO_QS(rows.problem));
        QString why = rows.problem;
        why.remove(QStringLiteral("tableArg NULL! "));
        if (!entries.isEmpty() || unparsed)
            unresolved(QStringLiteral("no entry resolves (%1):").arg(why),
                       unparsed ? QStringList{arguments} : entries);
        else
            showProblems();
        return;
    }
    if (!rows.unresolved.isEmpty())
        unresolved(QStringLiteral("no row of %1 holds in its column %2 the entries").arg(tableName, rows.column),
                   rows.unresolved);
    else
        showProblems();
    if (rows.skippedLines > 0)
        LOG4CPLUS_WARN_FMT(logger, "table %s of %s: %d lines with another cell count than the header are no rows",
                           KELVO_QS(tableName), KELVO_QS(ecu), rows.skippedLines);
    LOG4CPLUS_DEBUG_FMT(logger, "tableArg: %s", KELVO_QS(rows.column));
    LOG4CPLUS_DEBUG_FMT(logger, "arg col index in table: %d", rows.columnIndex);
    model->setRowCount(rows.rows.size());
    for (int r = 0; r < rows.rows.size(); ++r) {
        const QStringList &row = rows.rows.at(r);
        for (int c = 0; c < row.size(); ++c)
            model->setItem(r, c, new QStandardItem(row.at(c)));
    }
    ui->tableView->resizeColumnsToContents();
    ui->tableView->resizeRowsToContents();
}

void ManageCustomJobForm::on_pushButton_clicked()
{
    // The browser is opened to pick selectors of the chosen job's table:
    // without one it would show some other table whose rows add nothing.
    const QString jobName = ui->txtJobName->text();
    const QString table = JobArgumentRules().getTableName(jobName);
    if (table.isEmpty()) {
        bool chosen = false;
        getJobFromCombo(chosen, ui->cmbJobs->currentIndex());
        report(chosen ? QStringLiteral("The job %1 takes no selectors from a table.").arg(jobName)
                      : QStringLiteral("Choose a custom job first."));
        return;
    }
    PRGTableTest *browser = new PRGTableTest(nullptr);
    browser->setEcu(ui->cmbEcu->currentText());
    browser->setTable(table);
    connect(browser, &PRGTableTest::pressed, this, &ManageCustomJobForm::onTablePressed);
    connect(browser, &PRGTableTest::dblClicked, this, &ManageCustomJobForm::onTableDoubleClicked);
    if (isSignalConnected(QMetaMethod::fromSignal(&ManageCustomJobForm::tableBrowserOpened))) {
        emit tableBrowserOpened(browser);
    } else {
        browser->setAttribute(Qt::WA_DeleteOnClose);
        browser->show();
    }
}

void ManageCustomJobForm::onTableDoubleClicked(QString ecu, QString argTable, QStringList rowData)
{
    LOG4CPLUS_DEBUG_FMT(logger, "> onTableDblClicked %s,%s", KELVO_QS(ecu), KELVO_QS(argTable));
    if (ecu != ui->cmbEcu->currentText()) {
        refusePick(QStringLiteral("the row is of %1, the jobs shown are of %2")
                       .arg(ecu.isEmpty() ? QStringLiteral("no ECU") : ecu, ui->cmbEcu->currentText()));
        return;
    }
    const int index = ui->cmbJobs->currentIndex();
    bool ok = false;
    const CJob job = getJobFromCombo(ok, index);
    if (!ok) {
        on_cmbJobs_activated(index);
        return;
    }
    const JobArgumentRules rules;
    const QString jobName = Latin1::toQString(job.jobName);
    const QString arguments = Latin1::toQString(job.arguments);
    const PRGTable *table = getTableFromCache(ecu, argTable);
    if (!table) {
        refusePick(QStringLiteral("table %1 of %2 does not read").arg(argTable, ecu));
        return;
    }
    QString problem;
    const QString selector =
        CustomJobTables::selectorOfRow(table->text, argTable, ecu, jobName, arguments, rowData, &problem);
    if (!problem.isEmpty()) {
        refusePick(problem);
        return;
    }
    LOG4CPLUS_DEBUG_FMT(logger, "argToAdd: %s", KELVO_QS(selector));
    const QString refused = rules.refusal(job, selector);
    if (!refused.isEmpty()) {
        refusePick(refused);
        return;
    }
    // The browser may show another table or file than the one it was opened
    // for: only a selector of the job's own table can be measured.
    const QString jobTableName = rules.getTableName(jobName);
    const PRGTable *jobTable = getTableFromCache(ecu, jobTableName);
    if (!jobTable || !CustomJobTables::tableHoldsSelector(jobTable->text, ecu, jobName, arguments, selector)) {
        refusePick(QStringLiteral("table %1 of %2 holds no selector '%3'").arg(jobTableName, ecu, selector));
        return;
    }
    if (!changeStoredJob(job, [&](CJob &stored) {
            const QString why = rules.refusal(stored, selector);
            if (why.isEmpty())
                rules.addArgument(stored, selector);
            return why;
        }))
        return;
    on_cmbJobs_activated(ui->cmbJobs->currentIndex());
}

void ManageCustomJobForm::onTableKeyPressed(QKeyEvent *e, QModelIndex index)
{
    LOG4CPLUS_DEBUG_FMT(logger, ">keyPressed: %d", e->key());
    if (e->key() != Qt::Key_Delete && e->key() != Qt::Key_Backspace)
        return;
    if (!index.isValid() || index.row() >= model->rowCount())
        return;
    bool ok = false;
    const CJob job = getJobFromCombo(ok, ui->cmbJobs->currentIndex());
    if (!ok)
        return;
    const JobArgumentRules rules;
    bool error = false;
    // The rows are the selectors alone: the prefix before them is no row.
    const QStringList selectors =
        rules.parseSelectors(Latin1::toQString(job.jobName), Latin1::toQString(job.arguments), &error);
    const int row = ui->tableView->currentIndex().row();
    if (row < 0 || row >= selectors.size()) {
        LOG4CPLUS_WARN_FMT(logger, "nothing removed: row %d has no selector of '%s'", row, job.arguments.c_str());
        return;
    }
    const QString selector = selectors.at(row);
    LOG4CPLUS_DEBUG_FMT(logger, "about to remove arg: %s", KELVO_QS(selector));
    if (!changeStoredJob(job, [&](CJob &stored) {
            return rules.removeArgument(stored, selector)
                       ? QString()
                       : QStringLiteral("the stored arguments '%1' do not parse")
                             .arg(Latin1::toQString(stored.arguments));
        }))
        return;
    // Every equal selector went: the table shows what the job now holds.
    on_cmbJobs_activated(ui->cmbJobs->currentIndex());
}

bool ManageCustomJobForm::changeStoredJob(const CJob &job, const std::function<QString(CJob &)> &edit)
{
    const QString ecu = Latin1::toQString(job.ecuName);
    CustomJobsEditor editor;
    const QList<CJob> stored = editor.getCustomJobs(ecu);
    if (!editor.errorString().isEmpty()) {
        report(editor.errorString());
        reload(ecu, job);
        return false;
    }
    const auto it = std::find_if(stored.begin(), stored.end(), [&](const CJob &s) { return sameEntry(s, job); });
    if (it == stored.end()) {
        report(QStringLiteral("The custom job %1 (%2) of %3 is no longer in %4.")
                   .arg(Latin1::toQString(job.virtualName), Latin1::toQString(job.jobName), ecu,
                        editor.fileName()));
        reload(ecu);
        return false;
    }
    CJob fresh = *it;
    const QString refused = edit(fresh);
    if (!refused.isEmpty()) {
        LOG4CPLUS_WARN_FMT(logger, "nothing changed: %s", KELVO_QS(refused));
        pickProblem = QStringLiteral("Nothing changed: %1.").arg(refused);
        showProblems();
        return false;
    }
    if (!editor.updateJobAndSave(fresh)) {
        report(editor.errorString());
        reload(ecu, job);
        return false;
    }
    // The combo box holds the job as the file now does.
    const int index = ui->cmbJobs->currentIndex();
    bool ok = false;
    setJobToCombo(fresh, index, ok);
    return true;
}

void ManageCustomJobForm::reload(const QString &ecu, const CJob &job)
{
    ui->cmbEcu->clear();
    ui->cmbJobs->clear();
    loadJobs();
    const int ecuIndex = ui->cmbEcu->findText(ecu, Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (ecuIndex >= 0)
        ui->cmbEcu->setCurrentIndex(ecuIndex);
    on_cmbEcu_activated(ui->cmbEcu->currentIndex());
    for (int i = 0; i < ui->cmbJobs->count(); ++i) {
        bool ok = false;
        if (sameEntry(getJobFromCombo(ok, i), job) && ok) {
            ui->cmbJobs->setCurrentIndex(i);
            on_cmbJobs_activated(i);
            break;
        }
    }
}

void ManageCustomJobForm::onStoreChanged()
{
    // While the window shows the jobs, each action reads the file anew; only
    // a window that could not read it has to look again by itself.
    if (storeProblem.isEmpty())
        return;
    reload(lastPlotEcu());
}

void ManageCustomJobForm::report(const QString &text)
{
    LOG4CPLUS_ERROR_FMT(logger, "%s", KELVO_QS(text));
    QMessageBox box(QMessageBox::Warning, windowTitle(), text, QMessageBox::Ok);
    box.exec();
}

void ManageCustomJobForm::on_pushButton_2_clicked()
{
    LOG4CPLUS_DEBUG_FMT(logger, "Run job: ecu:%s,job:%s", KELVO_QS(ui->cmbEcu->currentText()),
                        KELVO_QS(ui->cmbJobs->currentText()));
    bool ok = false;
    CJob copy = getJobFromCombo(ok, ui->cmbJobs->currentIndex());
    if (!ok)
        return;
    if (JobQueue::instance()->addJob(copy))
        emit jobStarted(copy);
    else
        LOG4CPLUS_FATAL(logger, "can't add job");
}

void ManageCustomJobForm::on_btnNewJob_clicked()
{
    // The new job goes into the file: a file that does not read is said
    // before the user fills in the dialog for nothing.
    CustomJobsEditor editor;
    editor.getCustomJobs();
    if (!editor.errorString().isEmpty()) {
        report(editor.errorString());
        reload(ui->cmbEcu->currentText());
        return;
    }

    const QString proposed = nextSetName();
    bool ok = false;
    const CJob chosen = getJobFromCombo(ok, ui->cmbJobs->currentIndex());
    CJob job = ok ? chosen : CJob();

    CreateJobDialog dialog(nullptr);
    dialog.setEcu(Latin1::toQString(job.ecuName));
    dialog.setVirtualName(proposed);
    dialog.setComment(Latin1::toQString(job.comment));
    if (!dialog.exec())
        return;
    const QString ecu = dialog.ecu();
    // Without a chosen ECU the dialog proposes none; a blank name would
    // only be looked for as the file ".prg".
    if (ecu.trimmed().isEmpty()) {
        report(QStringLiteral("Choose an ECU first: the new job needs the name of the ECU's description file "
                              "(without \".prg\")."));
        return;
    }
    job.ecuName = Latin1::toStd(ecu);
    job.virtualName = Latin1::toStd(dialog.virtualName());
    job.comment = Latin1::toStd(dialog.comment());
    job.jobTitle = job.comment;
    job.resultAliases.clear();
    job.clearResults();

    const JobArgumentRules rules;
    const QPair<QString, QString> measure = rules.findMeasureJob(ecu, reader);
    if (measure.first.isEmpty() || measure.second.isEmpty()) {
        report(QStringLiteral("Can't find table/jobinfo for ecu:") + ecu);
        return;
    }

    // Read again: the file may have changed while the dialog was open.
    const QList<CJob> existing = editor.getCustomJobs(ecu);
    if (!editor.errorString().isEmpty()) {
        report(editor.errorString());
        reload(ecu);
        return;
    }
    // Entries are told apart by ECU, job and virtual name: a second job of
    // that name would be changed and deleted together with the first.
    for (const CJob &other : existing) {
        if (other.virtualName == job.virtualName) {
            report(QStringLiteral("%1 already has a custom job named %2.")
                       .arg(ecu, Latin1::toQString(job.virtualName)));
            return;
        }
    }

    job.jobName = Latin1::toStd(measure.first);
    LOG4CPLUS_DEBUG_FMT(logger, "Pair %s,%s for: %s", KELVO_QS(measure.first), KELVO_QS(measure.second),
                        KELVO_QS(ecu));
    job.arguments = Latin1::toStd(rules.getArgumentPrefix(measure.first, job));
    if (!editor.addJobAndSave(job)) {
        report(editor.errorString());
        reload(ecu);
        return;
    }
    reload(ecu, job);
}

void ManageCustomJobForm::on_btnDelJob_clicked()
{
    bool ok = false;
    const CJob job = getJobFromCombo(ok, ui->cmbJobs->currentIndex());
    if (!ok)
        return;
    CustomJobsEditor editor;
    if (!editor.delJobAndSave(job))
        report(editor.errorString());
    reload(Latin1::toQString(job.ecuName));
}

void ManageCustomJobForm::on_tableView_pressed(QModelIndex index)
{
    LOG4CPLUS_DEBUG_FMT(logger, "table pressed: %d,%d", index.row(), index.column());
    qDebug() << "pressed:" << index;
}

void ManageCustomJobForm::onTablePressed(QModelIndex index)
{
    LOG4CPLUS_DEBUG_FMT(logger, "browser pressed: %d,%d", index.row(), index.column());
    qDebug() << "browser pressed:" << index;
}

void ManageCustomJobForm::keyPressEvent(QKeyEvent *e)
{
    qDebug() << "ManageCustomJobForm key:" << e->key();
    e->accept();
}
