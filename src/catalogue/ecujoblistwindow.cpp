#include "ecujoblistwindow.h"
#include "ui_ecujoblistwindow.h"

#include "cprgfile.h"
#include "customjobseditor.h"
#include "filewatch.h"
#include "jobqueue.h"
#include "joblistfilereader.h"
#include "problemlabel.h"
#include "kelvosettings.h"
#include "readablecolour.h"
#include "translationmgr.h"

#include <QCloseEvent>
#include <QDebug>
#include <QDir>
#include <QFileInfo>
#include <QMenu>
#include <QRegExp>

EcuJobListWindow::EcuJobListWindow(QWidget *parent)
    : QWidget(parent)
    , ui(new Ui::EcuJobListWindow)
{
    ui->setupUi(this);
    ReadableColour::watchTheme(ui->listJobs, "customJobs", [this] { recolourCustomJobs(); });
    logger = KelvoLog::get("ecujoblist");
    customJobsWatch = new FileWatch(CustomJobsEditor().fileName(), this);
    connect(customJobsWatch, &FileWatch::changed, this, &EcuJobListWindow::onCustomJobsChanged);
    qRegisterMetaType<CJob>("CJob");
    qRegisterMetaType<QList<CJob>>("QList<CJob>");

    reader = new JobListFileReader();
    qDebug() << QDir::currentPath();
    if (QDir(QStringLiteral("./ecu")).exists())
        reader->prgReader().setEcuDirectory(QStringLiteral("./ecu"));

    reader->readBIVsFromdir(QStringLiteral("jobs/serialjobs"), true);
    reader->readFromPrg(QStringLiteral("jobs/eculist.txt"));

    const QStringList names = reader->getEcuNames();
    for (const QString &name : names) {
        auto *item = new QListWidgetItem(reader->getEcuDescription(name), ui->listEcus);
        item->setData(Qt::UserRole, name);
    }

    setContextMenuPolicy(Qt::CustomContextMenu);
    connect(this, &QWidget::customContextMenuRequested, this, &EcuJobListWindow::listEcuContextMenu);

    const QString last = KelvoSettings::open()->value(QStringLiteral("windows/lastPlotEcu")).toString();
    if (!last.isEmpty()) {
        for (int row = 0; row < ui->listEcus->count(); ++row) {
            if (ui->listEcus->item(row)->data(Qt::UserRole).toString() == last)
                ui->listEcus->setCurrentRow(row);
        }
    }
}

EcuJobListWindow::~EcuJobListWindow()
{
    LOG4CPLUS_DEBUG(logger, "~EcuJobListWindow()");
    delete reader;
    delete ui;
    delete currentPrg;
}

QString EcuJobListWindow::currentEcu() const
{
    const QListWidgetItem *item = ui->listEcus->currentItem();
    return item ? item->data(Qt::UserRole).toString() : QString();
}

void EcuJobListWindow::closeEvent(QCloseEvent *e)
{
    e->ignore();
}

void EcuJobListWindow::selectEcu(QString _ecu)
{
    for (int row = 0; row < ui->listEcus->count(); ++row) {
        QListWidgetItem *item = ui->listEcus->item(row);
        if (item->data(Qt::UserRole).toString() == _ecu) {
            item->setSelected(true);
            ui->listEcus->setCurrentItem(item);
        }
    }
}

void EcuJobListWindow::listEcuContextMenu(const QPoint &pos)
{
    // The ECU list offers no entries here yet; an empty pop-up would only
    // be in the way.
    QMenu menu(this);
    if (!menu.actions().isEmpty())
        menu.exec(mapToGlobal(pos));
}

QBrush EcuJobListWindow::customJobColour() const
{
    ui->listJobs->ensurePolished();
    return QBrush(ReadableColour::on(Qt::blue, ui->listJobs->palette().color(QPalette::Base)));
}

void EcuJobListWindow::recolourCustomJobs()
{
    // Custom jobs are the items with a colour of their own.
    const QBrush colour = customJobColour();
    for (int row = 0; row < ui->listJobs->count(); ++row) {
        QListWidgetItem *item = ui->listJobs->item(row);
        if (item->data(Qt::ForegroundRole).isValid() && item->foreground() != colour)
            item->setForeground(colour);
    }
}

void EcuJobListWindow::on_listEcus_currentRowChanged(int currentRow)
{
    QListWidgetItem *item = ui->listEcus->item(currentRow);
    if (!item)
        return;
    const QString name = item->data(Qt::UserRole).toString();
    ui->lblECU->setText(name);
    emit ecuSelected(name);
    showJobs(name);
}

void EcuJobListWindow::showJobs(const QString &name)
{
    if (currentPrg) {
        LOG4CPLUS_DEBUG(logger, "deleting current selected prg");
        delete currentPrg;
        currentPrg = nullptr;
    } else {
        LOG4CPLUS_DEBUG(logger, "current selected prg=0");
    }

    if (name.endsWith(QStringLiteral("_SERIAL"), Qt::CaseSensitive))
        currentPrg = reader->createPrgFromCustomJobBIV(name + QStringLiteral(".biv"), true,
                                                       QStringLiteral("jobs/serialjobs"));
    else
        currentPrg = reader->createPrgFromPrg(name, true);

    ui->listJobs->clear();
    ui->lblJob->clear();
    if (!currentPrg)
        return; // a serial ECU whose job list cannot be read: nothing to show

    const TranslationMgr *translations = TranslationMgr::instance();
    for (int i = 0; i < currentPrg->getJobCount(); ++i) {
        const CJob *job = currentPrg->getJob(i);
        const QString upper = QString::fromLatin1(job->jobName.c_str()).toUpper();
        // Through the manager: it asks the catalogue in the encoding that
        // the catalogue's source texts are written in.
        const QString translated = translations->lookup(JOB_S, job->jobName);
        LOG4CPLUS_DEBUG_FMT(logger, "translated job:%s --> %s", KELVO_QS(upper), KELVO_QS(translated));
        ui->listJobs->addItem(translated.isEmpty() ? upper : translated);
    }

    CustomJobsEditor editor;
    const QList<CJob> custom = editor.getCustomJobs(name);
    // No file means no custom jobs; a file that does not read hides them.
    QString problem;
    if (!editor.errorString().isEmpty() && QFileInfo::exists(editor.fileName())) {
        LOG4CPLUS_WARN_FMT(logger, "custom jobs of %s not shown: %s", KELVO_QS(name), KELVO_QS(editor.errorString()));
        problem = QStringLiteral("Custom jobs not shown: %1.").arg(editor.errorString());
    }
    ProblemLabel::show(ui->lblCustomJobs, problem);
    for (const CJob &job : custom) {
        // The store keeps the title in the comment.
        const std::string &title = job.jobTitle.empty() ? job.comment : job.jobTitle;
        CJob *copy = new CJob(job);
        copy->jobTitle = title;
        auto *item = new QListWidgetItem(QString::fromLatin1(title.c_str()));
        item->setForeground(customJobColour());
        currentPrg->insertJob(0, copy);
        ui->listJobs->insertItem(0, item);
    }
}

void EcuJobListWindow::onCustomJobsChanged()
{
    // The custom jobs are read with each ECU chosen; only a list that is
    // missing them has to be made again when the file changes.
    if (!ui->lblCustomJobs->isHidden() && !currentEcu().isEmpty())
        showJobs(currentEcu());
}

void EcuJobListWindow::showJobLabel(int row)
{
    LOG4CPLUS_DEBUG_FMT(logger, "lstJobs: row=%d", row);
    if (row < 0 || !currentPrg || row >= currentPrg->getJobCount())
        return;
    const CJob *job = currentPrg->getJob(row);
    if (!job->virtualName.empty())
        ui->lblJob->setText(QStringLiteral("%1 -> %2")
                                .arg(QString::fromLatin1(job->virtualName.c_str()),
                                     QString::fromLatin1(job->jobName.c_str())));
    else
        ui->lblJob->setText(QString::fromLatin1(job->jobName.c_str()));
}

void EcuJobListWindow::on_listJobs_currentRowChanged(int currentRow)
{
    showJobLabel(currentRow);
}

void EcuJobListWindow::on_listJobs_clicked(QModelIndex index)
{
    showJobLabel(index.row());
}

void EcuJobListWindow::on_listEcus_clicked(QModelIndex index)
{
    ui->lblECU->setText(index.data(Qt::UserRole).toString());
}

void EcuJobListWindow::on_listEcus_activated(QModelIndex index)
{
    emit ecuSelected(index.data(Qt::UserRole).toString());
}

void EcuJobListWindow::on_listJobs_doubleClicked(QModelIndex index)
{
    if (!currentPrg || index.row() < 0 || index.row() >= currentPrg->getJobCount())
        return;
    const CJob *job = currentPrg->getJob(index.row());
    LOG4CPLUS_DEBUG_FMT(logger, "selected job:'%s'", job->jobName.c_str());
    CJob copy(*job);
    if (JobQueue::instance()->addJob(copy)) {
        emit jobChosen(copy);
    } else {
        LOG4CPLUS_FATAL(logger, "can't add job");
    }
}

void EcuJobListWindow::filterList(QListWidget *list, const QString &text)
{
    const QRegExp rx(text, Qt::CaseInsensitive, QRegExp::RegExp);
    for (int row = 0; row < list->count(); ++row) {
        QListWidgetItem *item = list->item(row);
        const bool match = rx.isValid() && item->text().contains(rx);
        item->setHidden(!match);
    }
}

void EcuJobListWindow::on_txtFilter_textChanged(QString text)
{
    filterList(ui->listEcus, text);
}

void EcuJobListWindow::on_txtJobsFilter_textChanged(QString text)
{
    filterList(ui->listJobs, text);
}
