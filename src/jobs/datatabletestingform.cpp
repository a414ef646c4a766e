#include "datatabletestingform.h"

#include "cjob.h"
#include "ecudataresponse.h"
#include "latin1.h"
#include "ui_datatabletestingform.h"

#include <QCoreApplication>
#include <QDebug>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QPointer>
#include <QScrollBar>
#include <QTimer>

namespace {
const int loopLinePauseMs = 200;
}

DatatableTestingForm::DatatableTestingForm(QWidget *parent)
    : QWidget(parent), ui(new Ui::DatatableTestingForm)
{
    ui->setupUi(this);
    solver.loadTables();
    for (const QString &key : solver.tableNames())
        ui->cmbTables->addItem(key);
}

DatatableTestingForm::~DatatableTestingForm() = default;

void DatatableTestingForm::on_cmbTables_currentIndexChanged(const QString &key)
{
    EcuDataTable *table = solver.tableByName(key);
    if (!table)
        return;
    ui->cmbInputTelegrams->clear();
    ui->cmbInputTelegrams->addItems(table->telegrams());
}

void DatatableTestingForm::on_pushButton_clicked()
{
    CJob job;
    job.ecuName = Latin1::toStd(ui->cmbTables->currentText());
    job.telegram = Latin1::toStd(ui->cmbInputTelegrams->currentText());

    QString text = ui->txtOutput->toPlainText();
    text.remove(QLatin1Char(' ')).remove(QStringLiteral("_STD")).remove(QStringLiteral("_ADS"));
    ui->txtOutput->setPlainText(text);
    EcuDataResponse response;
    response.setData(QByteArray::fromHex(text.toLatin1()));

    EcuDataTable *table = solver.getEcuDataTable(job);
    if (!table)
        return;
    const std::unique_ptr<QList<ResultInfoRow>> rows = table->rowsForTelegram(job);
    if (!rows)
        return;

    ui->txtResult->clear();
    for (const ResultInfoRow &row : *rows) {
        if (!EcuDataSolver::replyHoldsRow(row, response.data())) {
            qDebug() << "dataLen " << response.data().size() << "smaller than row byte" << EcuDataSolver::bytePosition(row);
            continue;
        }
        ui->txtResult->appendPlainText(solver.formatResultLine(row, response));
    }
    QScrollBar *bar = ui->txtResult->verticalScrollBar();
    bar->setValue(bar->maximum());
}

void DatatableTestingForm::on_pushButton_2_clicked()
{
    solver.clearTables();
    solver.loadTables();
}

void DatatableTestingForm::on_pushButton_3_clicked()
{
    QFile file(QStringLiteral("data.txt"));
    if (!file.open(QIODevice::ReadOnly)) {
        qDebug() << "cant open file";
        ui->txtResult->appendPlainText(QStringLiteral("Cannot open %1: %2")
                                           .arg(QFileInfo(file).absoluteFilePath(), file.errorString()));
        return;
    }
    QPointer<DatatableTestingForm> self(this);
    setBusy(true);
    while (!file.atEnd()) {
        QByteArray bytes = file.readLine();
        while (bytes.endsWith('\n') || bytes.endsWith('\r'))
            bytes.chop(1);
        ui->txtOutput->appendPlainText(QString::fromLatin1(bytes));
        QCoreApplication::processEvents();
        if (!self)
            return;
        // Keep the window alive while each line shows.
        QEventLoop pause;
        QTimer::singleShot(loopLinePauseMs, &pause, &QEventLoop::quit);
        pause.exec();
        if (!self)
            return;
        on_pushButton_clicked();
        QCoreApplication::processEvents();
        if (!self)
            return;
        ui->txtOutput->clear();
    }
    setBusy(false);
}

void DatatableTestingForm::on_btnWatch_clicked()
{
    const QString path = ui->txtFileWatch->text();
    if (!watching) {
        if (!watcher.addPath(path)) {
            qDebug() << "cannot watch" << path;
            // Said where the user looks; the decoded lines above stay.
            ui->txtResult->appendPlainText(QFileInfo::exists(path)
                                               ? QStringLiteral("Cannot watch %1").arg(path)
                                               : QStringLiteral("Cannot watch %1: the file does not exist").arg(path));
            return;
        }
        ui->btnWatch->setText(QStringLiteral("Stop Watch"));
        connect(&watcher, &QFileSystemWatcher::fileChanged, this, &DatatableTestingForm::fileChanged,
                Qt::UniqueConnection);
        watching = true;
    } else {
        ui->btnWatch->setText(QStringLiteral("Start Watch"));
        watchPosition = 0;
        if (!watcher.files().isEmpty())
            watcher.removePaths(watcher.files());
        disconnect(&watcher, &QFileSystemWatcher::fileChanged, this, &DatatableTestingForm::fileChanged);
        watching = false;
    }
}

void DatatableTestingForm::fileChanged(const QString &path)
{
    // Decoding lets events run: a change that arrives meanwhile is read
    // after the current one, never inside it.
    if (readingWatchedFile) {
        watchedFileChangedAgain = true;
        return;
    }
    QPointer<DatatableTestingForm> self(this);
    readingWatchedFile = true;
    do {
        watchedFileChangedAgain = false;
        readWatchedFile(path);
        if (!self)
            return;
    } while (watchedFileChangedAgain && watching);
    readingWatchedFile = false;

    // A file replaced by a new one drops out of the watcher.
    if (watching && !watcher.files().contains(path) && QFileInfo::exists(path))
        watcher.addPath(path);
}

void DatatableTestingForm::readWatchedFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        qDebug() << "open failed";
        return;
    }
    const qint64 size = file.size();
    qDebug() << "file sz:" << size;
    if (size <= watchPosition) {
        qDebug() << "no way, pos same or larger than file size";
        return;
    }
    qDebug() << "file pos:" << watchPosition;
    if (!file.seek(watchPosition)) {
        qDebug() << "seek failed";
        return;
    }
    const QByteArray bytes = file.read(size - watchPosition);
    file.close();
    // Only whole lines: an incomplete last line waits for its newline.
    const int lastNewline = bytes.lastIndexOf('\n');
    if (lastNewline < 0)
        return;
    watchPosition += lastNewline + 1;
    QString text = QString::fromLatin1(bytes.left(lastNewline));
    processLine(text);
}

void DatatableTestingForm::processLine(QString &text)
{
    QPointer<DatatableTestingForm> self(this);
    const QStringList lines = text.split(QLatin1Char('\n'));
    for (QString line : lines) {
        line.remove(QLatin1Char('\n'));
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
        qDebug().noquote() << ":" << QStringLiteral("'%1'").arg(line);
        if (!line.startsWith(QLatin1String("1221A0")))
            continue;
        setBusy(true);
        ui->txtOutput->clear();
        ui->txtOutput->setPlainText(line);
        QCoreApplication::processEvents();
        if (!self)
            return;
        on_pushButton_clicked();
        QCoreApplication::processEvents();
        if (!self)
            return;
        setBusy(false);
    }
}

void DatatableTestingForm::setBusy(bool busy)
{
    busyDepth += busy ? 1 : -1;
    const bool enabled = busyDepth <= 0;
    if (busyDepth < 0)
        busyDepth = 0;
    for (QWidget *w : {static_cast<QWidget *>(ui->pushButton), static_cast<QWidget *>(ui->pushButton_2),
                       static_cast<QWidget *>(ui->pushButton_3), static_cast<QWidget *>(ui->btnWatch),
                       static_cast<QWidget *>(ui->cmbTables), static_cast<QWidget *>(ui->cmbInputTelegrams)})
        w->setEnabled(enabled);
}
