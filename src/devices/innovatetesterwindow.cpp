#include "innovatetesterwindow.h"
#include "ui_innovatetesterwindow.h"

#include "serialportsetup.h"

#include <QDebug>

namespace {
QString number(float value)
{
    return QString::number(double(value), 'g', 6);
}
} // namespace

InnovateTesterWindow::InnovateTesterWindow(QWidget *parent)
    : QWidget(parent)
    , ui(new Ui::InnovateTesterWindow)
    , logger(KelvoLog::get("innovate"))
{
    ui->setupUi(this);
    sendTimer.setParent(this);
    sendTimer.setObjectName(QStringLiteral("sendTimer"));
    config.load();
    connect(&stream, &InnovateStreamHandler::dataRead, this, &InnovateTesterWindow::onDataRead);
    connect(&stream, &InnovateStreamHandler::error, this, &InnovateTesterWindow::onError);
    connect(&stream, &InnovateStreamHandler::MTSPacketRead, this, &InnovateTesterWindow::onMTSPacketRead);
    connect(&sendTimer, &QTimer::timeout, this, &InnovateTesterWindow::sendTimerElapsed);
    connect(&port, &QSerialPort::readyRead, this, &InnovateTesterWindow::onReadyRead);
    connect(&portLoss, &SerialPortLoss::portError, this, &InnovateTesterWindow::onPortError);
    connect(&portLoss, &SerialPortLoss::lost, this, &InnovateTesterWindow::ownPortLost);
    ceReply.clear();
    f3Reply.clear();
}

InnovateTesterWindow::~InnovateTesterWindow()
{
    sendTimer.stop();
    stream.stop();
    if (port.isOpen())
        port.close();
    delete ui;
}

void InnovateTesterWindow::output(const QString &line)
{
    ui->txtOut->append(line);
}

void InnovateTesterWindow::on_btnSendHex_clicked()
{
    const QByteArray bytes = QByteArray::fromHex(ui->txtHex->text().toLatin1());
    output(QStringLiteral("-->") + QString::fromLatin1(bytes.toHex()));
    stream.write(bytes);
}

void InnovateTesterWindow::on_btnStart_clicked()
{
    if (ui->chkMTSSimulate->isChecked()) {
        output(QStringLiteral("simulation"));
        const bool opened = open();
        LOG4CPLUS_DEBUG_FMT(logger, "OPEN: %d", int(opened));
        if (!opened) {
            // Nothing to send on: no timer.
            output(QStringLiteral("cannot open %1: %2").arg(ui->txtComPort->text(), serialPortOpenError(port)));
            return;
        }
        if (ui->chkMTSSimulate->isChecked())
            sendTimer.start(SendIntervalMs);
        return;
    }
    stream.stop();
    if (ui->chkUSB->isChecked()) {
        stream.setIsUSB(true);
    } else {
        stream.setIsUSB(false);
        stream.setPortName(ui->txtComPort->text());
    }
    stream.start();
    // A port that did not open has said so (onError) and is not started.
    if (stream.isOpen())
        output(QStringLiteral("started"));
}

void InnovateTesterWindow::on_btnStop_clicked()
{
    // Whichever was started, even if the mode was changed since.
    sendTimer.stop();
    if (port.isOpen())
        port.close();
    stream.stop();
    output(QStringLiteral("stopped"));
}

bool InnovateTesterWindow::open()
{
    if (port.isOpen())
        port.close();
    // As typed: the port itself names "/dev/pts/7" "pts/7".
    ownPortName = ui->txtComPort->text();
    port.setPortName(ownPortName);
    if (!port.open(QIODevice::ReadWrite))
        return false;
    // The chain's line, 19200 baud 8N1. A pseudo-terminal refuses some of
    // it; the bytes pass all the same.
    SerialPortSettings line;
    line.baudRate = 19200;
    line.dataBits = QSerialPort::Data8;
    line.parity = QSerialPort::NoParity;
    line.stopBits = QSerialPort::OneStop;
    line.flowControl = QSerialPort::NoFlowControl;
    applySerialPortSettings(port, line, [this](const char *what) {
        LOG4CPLUS_DEBUG_FMT(logger, "port refused the %s setting", what);
    });
    port.flush();
    return true;
}

void InnovateTesterWindow::onDataRead(QByteArray data)
{
    output(QString::fromLatin1(data.toHex()));
}

void InnovateTesterWindow::onPortError(QSerialPort::SerialPortError error)
{
    qDebug() << "onPortError:" << error;
}

void InnovateTesterWindow::ownPortLost(const QString &reason)
{
    // Nobody to send to any more.
    sendTimer.stop();
    LOG4CPLUS_ERROR_FMT(logger, "port lost: %s: %s", KELVO_QS(ownPortName), KELVO_QS(reason));
    output(QStringLiteral("port lost: %1 (%2)").arg(ownPortName, reason));
}

void InnovateTesterWindow::onError(QString message)
{
    qDebug() << "onError:" << message;
    output(QStringLiteral("onError:") + message);
}

void InnovateTesterWindow::reply(const QString &hexText)
{
    const QByteArray bytes = QByteArray::fromHex(hexText.toLatin1());
    port.write(bytes);
    output(QStringLiteral("--> ") + QString::fromLatin1(bytes.toHex()));
}

void InnovateTesterWindow::onReadyRead()
{
    const QByteArray bytes = port.readAll();
    LOG4CPLUS_DEBUG_FMT(logger, "read:%s", bytes.toHex().constData());
    output(QString::fromLatin1(bytes.toHex()));
    if (bytes.isEmpty())
        return;
    const quint8 first = static_cast<quint8>(bytes.at(0));
    if (first == InnovateMTSPacket::DeviceTypes)
        reply(ui->txtFEResp->text());
    else if (first == InnovateMTSPacket::DeviceNames)
        reply(ui->txtCEResp->text());
}

void InnovateTesterWindow::sendTimerElapsed()
{
    if (port.isOpen())
        port.write(QByteArray::fromHex(ui->txtDataResp->text().toLatin1()));
}

void InnovateTesterWindow::on_pushButton_clicked()
{
    stream.write(QByteArray(1, char(InnovateMTSPacket::DeviceNames)));
    output(QStringLiteral("--> CE"));
}

void InnovateTesterWindow::on_pushF3_clicked()
{
    stream.write(QByteArray(1, char(InnovateMTSPacket::DeviceTypes)));
    output(QStringLiteral("--> F3"));
}

void InnovateTesterWindow::onMTSPacketRead(InnovateMTSPacket packet)
{
    output(QStringLiteral("Full MTS Packet read"));
    if (packet.replyType != 0) {
        output(QStringLiteral("query response:") + QString::number(packet.replyType, 16));
        const int n = packet.rawLength / 8;
        if (packet.replyType == InnovateMTSPacket::DeviceNames) {
            LOG4CPLUS_DEBUG(logger, "CE");
            ceReply = packet;
            devNames = packet.deviceNames();
            output(QStringLiteral("devCount:") + QString::number(n));
            for (const QString &name : devNames)
                output(name);
            output(QStringLiteral("devCount:") + QString::number(n));
        } else if (packet.replyType == InnovateMTSPacket::DeviceTypes) {
            LOG4CPLUS_DEBUG(logger, "F3");
            f3Reply = packet;
            devTypes = packet.deviceTypes();
            output(QStringLiteral("devCount:") + QString::number(n));
            for (const QString &type : devTypes)
                output(type);
        }
        return;
    }
    output(QStringLiteral("data response"));
    if (devNames.size() == devTypes.size() && !devNames.isEmpty())
        printDataPacket(packet);
}

void InnovateTesterWindow::printDataPacket(const InnovateMTSPacket &packet)
{
    const int channels = qMin<int>(packet.channelCount, InnovateMTSPacket::MaxChannels);
    int c = 0;
    for (int k = 0; k < devNames.size(); ++k) {
        // Input configurations are filed by device name; the type is the
        // fallback for a chain whose devices are named after their type.
        const DeviceInputConfig *device = config.inputConfig(devNames.at(k));
        if (!device)
            device = config.inputConfig(devTypes.at(k));
        if (device) {
            for (int i = 1; i <= device->inputs.size() && c < channels; ++i, ++c) {
                const auto input = device->inputs.constFind(i);
                if (input == device->inputs.constEnd())
                    continue;
                const float value = float((input->max - input->min) / 1024 * packet.channels[c].value + input->min);
                output(devNames.at(k) + QLatin1Char('_') + input->name + QStringLiteral("_VALUE=") + number(value));
            }
            continue;
        }
        if (c >= channels)
            continue;
        const InnovateMTSChannel &channel = packet.channels[c];
        if (channel.function == 1) {
            output(QStringLiteral("O2 func:") + QString::number(channel.function));
        } else if (channel.function != 0) {
            output(QStringLiteral("Func:") + QString::number(channel.function) + QStringLiteral("raw value:")
                   + QString::number(channel.value));
        } else {
            const float lambda = float(channel.value / 1000.0 + 0.5);
            const float afr = float(lambda * 14.7);
            LOG4CPLUS_DEBUG_FMT(logger, "lambda:%f", double(lambda));
            LOG4CPLUS_DEBUG_FMT(logger, "AFR:%f", double(afr));
            output(QStringLiteral("lambda func:raw") + QString::number(channel.value) + QStringLiteral("lambda func:afrmult")
                   + QString::number(packet.afrMultiplier) + QStringLiteral(",afr:") + number(afr));
        }
    }
}

void InnovateTesterWindow::on_txtASC_textChanged(const QString &text)
{
    if (converting)
        return;
    converting = true;
    ui->txtHEX->setText(QString::fromLatin1(text.toLatin1().toHex().toUpper()));
    converting = false;
}

void InnovateTesterWindow::on_txtHEX_textChanged(const QString &text)
{
    if (converting || !ui->txtHEX->hasFocus())
        return;
    converting = true;
    ui->txtASC->setText(QString::fromLatin1(QByteArray::fromHex(text.toLatin1())));
    converting = false;
}
