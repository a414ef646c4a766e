#include "seriaporttestform.h"
#include "ui_seriaporttestform.h"

#include "ecumsg.h"
#include "latin1.h"
#include "portlinecontrol.h"
#include "portwriter.h"
#include "serialportloss.h"
#include "serialportpinchecker.h"
#include "serialportsetup.h"
#include "settingsdialog.h"

#include <QCoreApplication>
#include <QDebug>
#include <QKeyEvent>
#include <QScrollBar>
#include <QTime>

SeriaPortTestForm::SeriaPortTestForm(QWidget *parent, const SerialPortList &ports, SerialLineControl *control)
    : QWidget(parent)
    , ui(new Ui::SeriaPortTestForm)
    , portList(ports)
{
    ui->setupUi(this);
    serial = new QSerialPort(this);
    // One byte at a time: every block is logged as it comes.
    serial->setReadBufferSize(1);
    loss = new SerialPortLoss(*serial, this);
    settings = new SettingsDialog(this, portList);
    if (control) {
        lines = control;
    } else {
        ownLines = std::make_unique<PortLineControl>(serial);
        lines = ownLines.get();
    }

    connect(settings, &SettingsDialog::settingsApplied, this, &SeriaPortTestForm::on_settings_applied);
    connect(serial, &QSerialPort::readyRead, this, &SeriaPortTestForm::readData);
    connect(serial, &QSerialPort::bytesWritten, this, &SeriaPortTestForm::bytesWritten);
    connect(loss, &SerialPortLoss::lost, this, &SeriaPortTestForm::portLost);

    ui->cmbSendHex->setEditable(true);
    ui->cmbSendHex->installEventFilter(this);
    on_btnRefresh_clicked();

    checker = new SerialPortPinChecker(this);
    checker->setPort(serial, lines);
    connect(checker, &SerialPortPinChecker::status, this, &SeriaPortTestForm::status);
    connect(checker, &SerialPortPinChecker::failed, this, &SeriaPortTestForm::pinReadFailed);
}

SeriaPortTestForm::~SeriaPortTestForm()
{
    checker->stopLoop();
    if (serial->isOpen())
        serial->close();
    delete ui;
}

void SeriaPortTestForm::log(const QString &line)
{
    QScrollBar *bar = ui->txtReceive->verticalScrollBar();
    bar->setValue(bar->maximum());
    ui->txtReceive->insertPlainText(line + QLatin1Char('\n'));
}

QString SeriaPortTestForm::receivedLine(const QByteArray &bytes)
{
    return QTime::currentTime().toString(QStringLiteral("hh:mm:ss.zzz")) + QStringLiteral(" < ")
           + QString::fromLatin1(bytes.toHex()) + QLatin1Char('\n');
}

bool SeriaPortTestForm::lineAction(bool ok, const char *what)
{
    if (!ok)
        log(QString::fromLatin1(what) + QStringLiteral(" refused: ") + lines->errorString());
    return ok;
}

bool SeriaPortTestForm::setDtr(bool on)
{
    return lineAction(lines->setDataTerminalReady(on), on ? "DTR on" : "DTR off");
}

bool SeriaPortTestForm::setRts(bool on)
{
    return lineAction(lines->setRequestToSend(on), on ? "RTS on" : "RTS off");
}

bool SeriaPortTestForm::setBreak(bool on)
{
    return lineAction(lines->setBreakEnabled(on), on ? "break on" : "break off");
}

bool SeriaPortTestForm::timedBreak(int ms)
{
    return lineAction(lines->sendBreak(ms), "timed break");
}

void SeriaPortTestForm::lineHigh()
{
    setDtr(true);
    setBreak(false);
}

void SeriaPortTestForm::lineLow()
{
    setDtr(false);
    timedBreak(SlowBitMs);
}

bool SeriaPortTestForm::requireOpen()
{
    if (serial->isOpen())
        return true;
    log(QStringLiteral("port not open"));
    return false;
}

bool SeriaPortTestForm::writeAndWait(const QByteArray &bytes, bool waitWritten, QString *error)
{
    if (!waitWritten) {
        if (!serial->isOpen() || serial->write(bytes) != bytes.size()) {
            if (error)
                *error = serial->isOpen() ? serial->errorString() : QStringLiteral("port not open");
            return false;
        }
        return true;
    }
    return PortWriter::write(*serial, bytes, WriteTimeoutMs, error);
}

void SeriaPortTestForm::on_btnRefresh_clicked()
{
    ui->listWidget->clear();
    const QList<SerialPortList::Port> ports = portList.ports();
    for (const SerialPortList::Port &port : ports) {
        const QString text = (port.busy ? QStringLiteral("[reserved]") : QString()) + QStringLiteral(" ")
                             + port.name + QStringLiteral(" : ") + port.description;
        QListWidgetItem *item = new QListWidgetItem(text, ui->listWidget);
        item->setData(Qt::UserRole, port.name);
    }
}

void SeriaPortTestForm::on_pushButton_2_clicked()
{
    // An adapter plugged in since the window opened is offered too.
    settings->refreshPorts();
    settings->show();
    qDebug() << "after show()";
}

void SeriaPortTestForm::on_settings_applied()
{
    log(QStringLiteral("Port:") + settings->portSettings().name + QStringLiteral(" selected"));
}

void SeriaPortTestForm::on_pushButton_clicked()
{
    const SerialPortSettings p = settings->portSettings();
    log(QStringLiteral("try to open port: ") + p.name);
    if (serial->isOpen()) {
        checker->stopLoop();
        serial->close();
    }
    serial->setPortName(p.name);
    openName = p.name;
    if (!serial->open(QIODevice::ReadWrite)) {
        log(QStringLiteral("port NOT opened:") + p.name + QStringLiteral(" (") + serialPortOpenError(*serial)
            + QStringLiteral(")"));
        serial->clearError();
        return;
    }
    log(QStringLiteral("port opened:") + p.name);
    // A setting the port refuses (a pseudo-terminal has no parity) is
    // reported and the others still go in.
    auto setting = [this](bool ok, const QString &what) {
        if (!ok)
            log(what + QStringLiteral(" refused: ") + serial->errorString());
        serial->clearError();
    };
    if (p.baudRate > 0)
        setting(serial->setBaudRate(p.baudRate, QSerialPort::AllDirections), QStringLiteral("baud rate ") + p.stringBaudRate);
    else
        log(QStringLiteral("no baud rate chosen: the port keeps its own"));
    setting(serial->setDataBits(QSerialPort::DataBits(p.dataBits)), QStringLiteral("data bits ") + p.stringDataBits);
    setting(serial->setFlowControl(QSerialPort::FlowControl(p.flowControl)),
            QStringLiteral("flow control ") + p.stringFlowControl);
    setting(serial->setParity(QSerialPort::Parity(p.parity)), QStringLiteral("parity ") + p.stringParity);
    setting(serial->setStopBits(QSerialPort::StopBits(p.stopBits)), QStringLiteral("stop bits ") + p.stringStopBits);
    setRts(false);
    setDtr(false);
    checker->startLoop();
}

void SeriaPortTestForm::showClosed()
{
    checker->stopLoop();
    ui->btnDTR->setChecked(false);
    ui->btnTX->setChecked(false);
}

void SeriaPortTestForm::on_btnClosePort_clicked()
{
    showClosed();
    serial->close();
    // The name as the user chose it: the port itself answers "ttyUSB0"
    // for "/dev/ttyUSB0".
    log(QStringLiteral("port") + openName + QStringLiteral(" closed"));
}

void SeriaPortTestForm::readData()
{
    // The port reads one byte at a time, and each block gets its line. A
    // fast device would cost a round of the event loop (and a repaint) per
    // byte: what has already arrived is taken here, a bounded number of
    // blocks at a time so that the window stays responsive, and their lines
    // go into the log together. Bytes that arrive while the answer to 0x81
    // is written are taken the same way.
    QString lines;
    auto flush = [this, &lines]() {
        if (!lines.isEmpty())
            ui->txtReceive->insertPlainText(lines);
        lines.clear();
    };
    for (int blocks = 0; blocks < MaxBlocksPerRead; ++blocks) {
        QByteArray data = serial->readAll();
        if (data.isEmpty()) {
            if (!serial->waitForReadyRead(0))
                break;
            data = serial->readAll();
            if (data.isEmpty())
                break;
        }
        lines += receivedLine(data);
        if (static_cast<unsigned char>(data.at(0)) == 0x81) {
            flush();
            log(QStringLiteral("writing"));
            setDtr(true);
            QString error;
            if (!writeAndWait(QByteArray(1, char(0x81)), true, &error))
                log(QStringLiteral("Error writing data: ") + error);
            setDtr(false);
        }
    }
    flush();
}

void SeriaPortTestForm::bytesWritten(qint64)
{
    qDebug() << "byteswritten";
}

void SeriaPortTestForm::sendHex(const QString &text, bool waitWritten)
{
    QByteArray telegram = EcuMsg::telegramBytes(Latin1::toStd(text));
    if (telegram.isEmpty()) {
        log(QStringLiteral("nothing sent: \"") + text + QStringLiteral("\" holds no hex digits"));
        return;
    }
    const unsigned check = EcuMsg::xorCheckSum(telegram);
    if (ui->chkCheckSum->isChecked())
        telegram.append(char(check));
    log(QString::asprintf("checksum is 0x%x", check));
    log(QString::asprintf("checksum2 is 0x%x", unsigned(EcuMsg::sumCheckSum(telegram))));
    QString error;
    if (!writeAndWait(telegram, waitWritten, &error)) {
        log(QStringLiteral("Error writing data: ") + error);
        return;
    }
    log(QStringLiteral("> %1").arg(QString::fromLatin1(telegram.toHex())));
}

bool SeriaPortTestForm::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == ui->cmbSendHex && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter)
            sendHex(ui->cmbSendHex->currentText(), true);
    }
    // The combo box still gets the key and keeps the text in its list.
    return QWidget::eventFilter(watched, event);
}

void SeriaPortTestForm::on_pushButton_4_clicked()
{
    const QString text = ui->lineEdit->text().trimmed();
    bool ok = false;
    const int address = text.toInt(&ok, 0);
    // The line carries seven address bits: a higher address would go out
    // with its top bit dropped, and wake another ECU than the one typed.
    if (!ok || address < 0 || address > 0x7F) {
        log(QStringLiteral("L-Line init: \"") + text + QStringLiteral("\" is no 7-bit address (0 to 0x7f)"));
        return;
    }
    if (!requireOpen())
        return;
    // The address as it goes out, bit for bit.
    log(QString::number(address, 2));

    log(QStringLiteral("L-Line: false, SetDtr -> true"));
    lineHigh();
    lines->wait(SlowInitIdleMs);

    log(QStringLiteral("startbit"));
    log(QStringLiteral("L-Line: true, SetDtr -> false"));
    lineLow();
    setBreak(false);

    log(QStringLiteral("data bits start"));
    for (int i = 0; i < 7; ++i) {
        log(QString::number(i));
        if ((address >> i) & 1) {
            log(QStringLiteral("L-Line: false, SetDtr -> true"));
            lineHigh();
            lines->wait(SlowBitMs);
        } else {
            log(QStringLiteral("L-Line: true, SetDtr -> false"));
            lineLow();
        }
    }
    log(QStringLiteral("data bits end"));
    log(QStringLiteral("stopbit"));
    log(QStringLiteral("L-Line: true, SetDtr -> false"));
    lineLow();
    setBreak(false);

    log(QStringLiteral("L-Line: true, SetDtr -> false"));
    setDtr(false);
    log(QStringLiteral("init done"));
}

void SeriaPortTestForm::on_pushButton_3_clicked()
{
    if (!requireOpen())
        return;
    const QString text = ui->cmbSendHex->currentText();
    log(QStringLiteral("ADS test"));
    log(QStringLiteral("L-Line: false, SetDtr -> true"));
    setDtr(true);
    sendHex(text, true);

    log(QStringLiteral("L-Line: true, SetDtr -> false"));
    setDtr(false);
    QCoreApplication::processEvents();
    lines->wait(1000);

    log(QStringLiteral("ADS test2"));
    log(QStringLiteral("L-Line: false, SetDtr -> true"));
    setDtr(true);
    sendHex(text, true);

    log(QStringLiteral("L-Line: false, SetDtr -> true"));
    setDtr(true);
}

void SeriaPortTestForm::on_btnSetDTR_clicked()
{
    setDtr(true);
}

void SeriaPortTestForm::on_btnClearDTR_clicked()
{
    setDtr(false);
}

void SeriaPortTestForm::on_btnBreak_clicked()
{
    setBreak(true);
}

void SeriaPortTestForm::on_btnClear_clicked()
{
    setBreak(false);
}

void SeriaPortTestForm::on_btnSendBreak_clicked()
{
    timedBreak(1000);
}

void SeriaPortTestForm::status(QSerialPort::PinoutSignals signal)
{
    if (!serial->isOpen())
        return;
    ui->btnDTR->setChecked(signal & QSerialPort::DataTerminalReadySignal);
    ui->btnTX->setChecked(signal & QSerialPort::TransmittedDataSignal);
}

void SeriaPortTestForm::portLost(const QString &reason)
{
    showClosed();
    log(QStringLiteral("port lost: ") + openName + QStringLiteral(" (") + reason + QStringLiteral(")"));
}

void SeriaPortTestForm::pinReadFailed(const QString &reason)
{
    log(QStringLiteral("pin read failed, pin display stopped: ") + reason);
}
