#include "canproxywindow.h"
#include "ui_canproxywindow.h"

#include "canproxy.h"
#include "kelvosettings.h"

#include <QCloseEvent>
#include <QDebug>
#include <QThread>

CanProxyWindow::CanProxyWindow(QWidget *parent)
    : QWidget(parent)
    , ui(new Ui::CanProxyWindow)
    , canProxy(new CANProxy)
{
    ui->setupUi(this);
    connect(canProxy.get(), &CANProxy::edConn, this, &CanProxyWindow::onEdConn);
    connect(canProxy.get(), &CANProxy::transConn, this, &CanProxyWindow::onTransConn);
    connect(canProxy.get(), &CANProxy::edErr, this, &CanProxyWindow::onEdErr);
    connect(canProxy.get(), &CANProxy::transErr, this, &CanProxyWindow::onTransErr);
    connect(canProxy.get(), &CANProxy::usbAnswers, this, &CanProxyWindow::onTransAnswers);
    ui->txtUSB->setMaximumBlockCount(MaxPaneLines);
    {
        auto settings = KelvoSettings::open();
        const QString ediabas = settings->value(QStringLiteral("usb/ediabas"), QString()).toString();
        const QString usb = settings->value(QStringLiteral("usb/usb"), QString()).toString();
        canProxy->setEdiabasPort(ediabas);
        canProxy->setUsbPort(usb);
        ui->txtEdiabasPort->setText(ediabas);
        ui->txtUsbPort->setText(usb);
    }
    qDebug() << "wnd: Thread id:" << QThread::currentThreadId();
    ui->lblOBD->setText(QStringLiteral("OBD.ini Ediabas port:") + CANProxy::obdIniPort());
}

CanProxyWindow::~CanProxyWindow()
{
    saveAndStop();
    delete ui;
}

void CanProxyWindow::on_pushButton_clicked()
{
    canProxy->stop();
    closed = false;
    canProxy->setEdiabasPort(ui->txtEdiabasPort->text());
    canProxy->setUsbPort(ui->txtUsbPort->text());
    canProxy->start();
    qDebug() << "wnd: Thread id:" << QThread::currentThreadId();
}

void CanProxyWindow::onEdConn()
{
    ui->txtEdiabas->appendPlainText(QStringLiteral("Ediabas connected"));
}

void CanProxyWindow::onTransConn()
{
    ui->txtUSB->appendPlainText(QStringLiteral("USB connected"));
}

void CanProxyWindow::onEdErr(QString err)
{
    ui->txtEdiabas->appendPlainText(QStringLiteral("error:") + err);
}

void CanProxyWindow::onTransErr(QString err)
{
    ui->txtUSB->appendPlainText(QStringLiteral("error:") + err);
}

void CanProxyWindow::onTransAnswers(QStringList answers)
{
    for (const QString &answer : answers)
        ui->txtUSB->appendPlainText(answer);
}

void CanProxyWindow::on_txtUsbSend_returnPressed()
{
    const QByteArray bytes = ui->txtUsbSend->text().toLatin1();
    qDebug() << "writeUsb:" << bytes;
    canProxy->sendToUsb(bytes + '\r');
}

void CanProxyWindow::saveAndStop()
{
    if (closed)
        return;
    closed = true;
    auto settings = KelvoSettings::open();
    settings->setValue(QStringLiteral("usb/ediabas"), canProxy->ediabasPort());
    settings->setValue(QStringLiteral("usb/usb"), canProxy->usbPort());
    settings.reset();
    canProxy->stop();
}

void CanProxyWindow::closeEvent(QCloseEvent *event)
{
    saveAndStop();
    QWidget::closeEvent(event);
}
