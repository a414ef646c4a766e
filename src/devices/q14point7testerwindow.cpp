#include "q14point7testerwindow.h"
#include "ui_q14point7testerwindow.h"

#include <QDebug>

Q14Point7TesterWindow::Q14Point7TesterWindow(QWidget *parent)
    : QWidget(parent)
    , ui(new Ui::Q14Point7TesterWindow)
    , logger(KelvoLog::get("qextrunnerthread"))
{
    ui->setupUi(this);
    connect(&reader, &Q14Point7Reader::dataRead, this, &Q14Point7TesterWindow::onDataRead);
    connect(&reader, &Q14Point7Reader::error, this, &Q14Point7TesterWindow::onError);
}

Q14Point7TesterWindow::~Q14Point7TesterWindow()
{
    reader.stop();
    delete ui;
}

void Q14Point7TesterWindow::on_pushButton_2_clicked()
{
    reader.setPortName(ui->editPortName->text());
    reader.start();
}

void Q14Point7TesterWindow::onMessageReceived(QByteArray)
{
}

void Q14Point7TesterWindow::onDataRead(QByteArray data)
{
    ui->textEdit->append(QString::fromLatin1(data.toHex()));
}

void Q14Point7TesterWindow::onError(QString message)
{
    qDebug() << "onError:" << message;
    // Only the debug output would show it: a missing port must be seen.
    ui->textEdit->append(QStringLiteral("onError:%1 (%2)").arg(message, ui->editPortName->text()));
}

void Q14Point7TesterWindow::on_pushButton_clicked()
{
    LOG4CPLUS_DEBUG(logger, "Q14Point7Reader: stop");
    reader.stop();
}

void Q14Point7TesterWindow::on_btnDataPauseApply_clicked()
{
    bool ok = false;
    const int pause = ui->editDataPause->text().toInt(&ok, 10);
    reader.setDataPause(ok ? pause : 0);
}
