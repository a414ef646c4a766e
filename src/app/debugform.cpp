#include "debugform.h"
#include "ui_debugform.h"

#include "debugutils.h"
#include "protocollines.h"

#include <QCloseEvent>
#include <QDebug>
#include <QMessageBox>
#include <QPointer>

DebugForm::DebugForm(QWidget *parent)
    : QWidget(parent)
    , ui(new Ui::DebugForm)
{
    ui->setupUi(this);
    debugUtils = new DebugUtils(this);
    connect(debugUtils, &DebugUtils::runTraceStatusChanged, this, &DebugForm::onRunTraceStatusChanged);
    connect(debugUtils, &DebugUtils::jobStarted, this, &DebugForm::onJobStarted);
    connect(debugUtils, &DebugUtils::textMessage, this, &DebugForm::onTextMessage);
    connect(debugUtils, &DebugUtils::networkError, this, &DebugForm::onError);
    connect(debugUtils, &DebugUtils::upReady, this, &DebugForm::upReady);
}

DebugForm::~DebugForm()
{
    delete ui;
}

QString DebugForm::infoText()
{
    return QStringLiteral("To generate a trace file: \n\n     - select 'Pause (ctrl-t)' from menu\n"
                          "     - select your ECU from the list\n     - press 'Run Trace'\n"
                          "     - press 'Send log files'\n\n    Sending log files requires Internet connection");
}

void DebugForm::setBusy(bool on)
{
    // Neither operation may start while the other runs: an upload during a
    // trace would send a half-written log.
    busy = on;
    ui->pushButton->setEnabled(!on);
    ui->pushButton_2->setEnabled(!on);
}

void DebugForm::closeEvent(QCloseEvent *e)
{
    if (busy) {
        e->ignore();
        return;
    }
    qDebug() << "close event";
    QWidget::closeEvent(e);
}

void DebugForm::onEcuSelected(QString ecu)
{
    ui->lineECU->setText(ecu);
}

void DebugForm::on_pushButton_clicked()
{
    const QString ecu = ui->lineECU->text();
    if (ecu.isEmpty() || busy)
        return;
    QPointer<DebugForm> self(this);
    setBusy(true);
    debugUtils->runEcuTrace(ecu);
    if (self)
        setBusy(false);
}

void DebugForm::on_pushButton_2_clicked()
{
    if (busy)
        return;
    QPointer<DebugForm> self(this);
    setBusy(true);
    debugUtils->uploadFolder();
    if (self)
        setBusy(false);
}

void DebugForm::on_pushButton_3_clicked()
{
    QMessageBox::information(this, QStringLiteral("Kelv-O"), infoText(), QMessageBox::Ok);
}

void DebugForm::onRunTraceStatusChanged(int status)
{
    ProtocolLines::append(ui->textEdit, status == DebugUtils::StatusFailed ? QStringLiteral("Error generating trace file")
                                                                          : QStringLiteral("Tracing finished"));
}

void DebugForm::onJobStarted(QString job)
{
    ProtocolLines::append(ui->textEdit, QStringLiteral("Running job: ") + job);
}

void DebugForm::onTextMessage(QString msg)
{
    ProtocolLines::append(ui->textEdit, msg, ProtocolLines::Error);
}

void DebugForm::onError(QNetworkReply::NetworkError)
{
    uploadFailed = true;
    ProtocolLines::append(ui->textEdit, QStringLiteral("Error occurred, please resend"), ProtocolLines::Error);
}

void DebugForm::upReady(QString file, QString serverResponse)
{
    if (!uploadFailed)
        ProtocolLines::append(ui->textEdit, QStringLiteral("File ") + file + QStringLiteral(" sent"));
    if (!serverResponse.isEmpty())
        ProtocolLines::append(ui->textEdit, serverResponse, ProtocolLines::Reply);
    uploadFailed = false;
}
