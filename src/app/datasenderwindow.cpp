#include "datasenderwindow.h"
#include "ui_datasenderwindow.h"

#include "ecumsg.h"
#include "latin1.h"
#include "portwriter.h"
#include "serialportsetup.h"

#include <QDebug>

DataSenderWindow::DataSenderWindow(QWidget *parent)
    : QWidget(parent)
    , ui(new Ui::DataSenderWindow)
{
    ui->setupUi(this);
    connect(&serial, &QSerialPort::readyRead, this, &DataSenderWindow::onReadyRead);
    connect(&loss, &SerialPortLoss::lost, this, &DataSenderWindow::portLost);
}

DataSenderWindow::~DataSenderWindow()
{
    if (serial.isOpen())
        serial.close();
    delete ui;
}

void DataSenderWindow::append(const QString &line)
{
    ui->txtOutput->append(line);
}

void DataSenderWindow::on_btnStart_clicked()
{
    if (serial.isOpen())
        serial.close();
    openName = ui->editComPort->text();
    serial.setPortName(openName);
    if (!serial.open(QIODevice::ReadWrite)) {
        append(QStringLiteral("open Port failed: ") + openName + QStringLiteral(": ") + serialPortOpenError(serial));
        serial.clearError();
        return;
    }
    // Drop what the buffers hold from before (flush() would write it out).
    serial.clear();
    serial.setReadBufferSize(1024);
    // A pseudo-terminal refuses parity and the modem lines; what is refused
    // is reported and the port is used as it is.
    auto setting = [this](bool ok, const char *what) {
        if (!ok)
            append(QString::fromLatin1(what) + QStringLiteral(" refused: ") + serial.errorString());
        serial.clearError();
    };
    setting(serial.setBaudRate(QSerialPort::Baud115200, QSerialPort::AllDirections), "baud rate 115200");
    setting(serial.setDataBits(QSerialPort::Data8), "data bits 8");
    setting(serial.setParity(QSerialPort::EvenParity), "parity even");
    setting(serial.setStopBits(QSerialPort::OneStop), "stop bits 1");
    setting(serial.setRequestToSend(false), "RTS off");
    setting(serial.setDataTerminalReady(false), "DTR off");
    setting(serial.setFlowControl(QSerialPort::NoFlowControl), "flow control none");
    append(QStringLiteral("open Port OK"));
}

void DataSenderWindow::portLost(const QString &reason)
{
    qDebug() << "port lost:" << openName << reason;
    append(QStringLiteral("port lost: ") + openName + QStringLiteral(" (") + reason + QStringLiteral(")"));
}

void DataSenderWindow::on_btnStop_clicked()
{
    serial.close();
}

void DataSenderWindow::on_btnSend_clicked()
{
    const QByteArray bytes = EcuMsg::telegramBytes(Latin1::toStd(ui->editData->text()));
    if (bytes.isEmpty()) {
        append(QStringLiteral("nothing sent: no hex digits"));
        return;
    }
    QString error;
    if (!PortWriter::write(serial, bytes, WriteTimeoutMs, &error))
        append(QStringLiteral("write failed: ") + error);
}

void DataSenderWindow::onReadyRead()
{
    const QByteArray data = serial.readAll();
    if (data.isEmpty())
        return;
    qDebug() << "data available:" << serial.bytesAvailable();
    qDebug() << "read data:" << data.toHex();
    append(QStringLiteral("'") + QString::fromLatin1(data.toHex()) + QStringLiteral("'"));
}
