#include "innovatestreamhandler.h"

#include "lm2usb.h"
#include "serialportsetup.h"

#include <QDateTime>
#include <QTimer>

InnovateStreamHandler::InnovateStreamHandler(QObject *parent)
    : QObject(parent)
    , logger(KelvoLog::get("innovatestream"))
{
    qRegisterMetaType<InnovateMTSPacket>("InnovateMTSPacket");
    connect(&port, &QSerialPort::readyRead, this, &InnovateStreamHandler::onReadyRead);
    connect(&loss, &SerialPortLoss::portError, this, &InnovateStreamHandler::onError);
    connect(&loss, &SerialPortLoss::lost, this, &InnovateStreamHandler::portLost);
    LOG4CPLUS_DEBUG(logger, "InnovateStreamReader()");
    setupDefaultComSettings();
    isUSB = false;
    // Until start(), the first packet's time counts from the handler's making.
    lastEmitTime = QDateTime::currentMSecsSinceEpoch();
}

InnovateStreamHandler::~InnovateStreamHandler()
{
    stop();
}

void InnovateStreamHandler::setupDefaultComSettings()
{
    LOG4CPLUS_DEBUG(logger, "InnovateStreamReader: setComSettings");
    portSettings.name.clear();
    portSettings.baudRate = 19200;
    portSettings.dataBits = 8;
    portSettings.parity = 0;
    portSettings.stopBits = 1;
    portSettings.flowControl = 0;
}

void InnovateStreamHandler::setPortName(const QString &name)
{
    LOG4CPLUS_DEBUG_FMT(logger, "InnovateStreamReader: setPortname:%s", KELVO_QS(name));
    portSettings.name = name;
}

void InnovateStreamHandler::setIsUSB(bool usb)
{
    if (usb) {
        LOG4CPLUS_DEBUG(logger, "InnovateStreamReader: setIsUsb TRUE");
        if (!usbTimer) {
            usbTimer = new QTimer(this);
            usbTimer->setInterval(50);
            connect(usbTimer, &QTimer::timeout, this, &InnovateStreamHandler::usbReadEvent);
        }
    } else {
        LOG4CPLUS_DEBUG(logger, "InnovateStreamReader: setIsUsb FALSE");
    }
    isUSB = usb;
}

bool InnovateStreamHandler::isOpen() const
{
    return isUSB ? usbOpen : port.isOpen();
}

bool InnovateStreamHandler::open()
{
    port.setPortName(portSettings.name);
    if (isUSB) {
        if (usbOpen)
            return true;
        const int result = lm2Open();
        LOG4CPLUS_DEBUG_FMT(logger, "InnovateStreamReader: open USB port %d", result);
        usbOpen = result != 0;
        if (!usbOpen)
            openFailure = QString::fromLatin1(lm2OpenFailure());
        if (usbOpen && usbTimer)
            usbTimer->start();
        return usbOpen;
    }
    if (port.isOpen())
        return true;
    if (!port.open(QIODevice::ReadWrite)) {
        openFailure = serialPortOpenError(port);
        return false;
    }
    LOG4CPLUS_DEBUG(logger, "InnovateStreamReader: open port OK");
    // A pseudo-terminal refuses some of these; the bytes pass all the same.
    applySerialPortSettings(port, portSettings, [this](const char *what) {
        LOG4CPLUS_INFO_FMT(logger, "InnovateStreamReader: port refused the %s setting", what);
    });
    port.flush();
    return true;
}

void InnovateStreamHandler::start()
{
    LOG4CPLUS_DEBUG(logger, ">start");
    LOG4CPLUS_DEBUG(logger, "InnovateStreamReader: start pressed");
    // The first packet's time counts from here.
    lastEmitTime = QDateTime::currentMSecsSinceEpoch();
    openFailure.clear();
    if (!open()) {
        LOG4CPLUS_ERROR_FMT(logger, "InnovateStreamReader: open port failed: %s: %s",
                            KELVO_QS(isUSB ? QStringLiteral("LM-2") : portSettings.name), KELVO_QS(openFailure));
        emit error((isUSB ? QStringLiteral("open USB failed: ") : QStringLiteral("open com port failed: "))
                   + openFailure);
    } else {
        LOG4CPLUS_DEBUG(logger, "InnovateStreamReader: open port ok");
    }
    LOG4CPLUS_DEBUG(logger, "<start");
}

void InnovateStreamHandler::stop()
{
    LOG4CPLUS_DEBUG(logger, "InnovateStreamReader: stop");
    if (usbTimer)
        usbTimer->stop();
    // Only the handler that opened the LM-2 closes it.
    if (usbOpen) {
        lm2Close();
        usbOpen = false;
    }
    if (port.isOpen())
        port.close();
}

void InnovateStreamHandler::write(const QByteArray &data)
{
    LOG4CPLUS_DEBUG_FMT(logger, "InnovateStreamReader: write:%s", data.toHex().constData());
    if (isUSB) {
        if (usbOpen)
            lm2Write(data.size(), reinterpret_cast<const unsigned char *>(data.constData()));
        return;
    }
    if (port.isOpen())
        port.write(data);
}

void InnovateStreamHandler::onReadyRead()
{
    const QByteArray bytes = port.readAll();
    LOG4CPLUS_DEBUG_FMT(logger, "InnovateStreamReader: read:%s", bytes.toHex().constData());
    feed(bytes);
}

void InnovateStreamHandler::feed(const QByteArray &bytes)
{
    for (char c : bytes)
        feedByte(static_cast<quint8>(c));
}

void InnovateStreamHandler::feedByte(quint8 byte)
{
    if (!mtsParser.feed(byte))
        return;
    LOG4CPLUS_DEBUG(logger, "InnovateStreamReader: full MTS Packet read");
    InnovateMTSPacket packet;
    packet.clear();
    mtsParser.copyPacket(packet);
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    packet.prevPacketTime = lastEmitTime;
    packet.elapsedMs = now - lastEmitTime;
    LOG4CPLUS_DEBUG(logger, "---start emit");
    emit MTSPacketRead(packet);
    lastEmitTime = now;
    LOG4CPLUS_DEBUG(logger, "---finish emit");
}

void InnovateStreamHandler::usbReadEvent()
{
    LOG4CPLUS_TRACE(logger, "InnovateStreamReader: usbReadEvent");
    // Whatever has come; a packet cut here is finished by a later tick.
    while (usbOpen && lm2HasData()) {
        const quint8 byte = lm2ReadByte();
        LOG4CPLUS_TRACE_FMT(logger, "InnovateStreamReader: read: 0x%x", unsigned(byte));
        feedByte(byte);
    }
    // Only once the bytes it delivered before are taken.
    if (usbOpen && lm2Lost()) {
        usbTimer->stop();
        lm2Close();
        usbOpen = false;
        portLost(QStringLiteral("the LM-2 driver delivers no more"));
    }
}

void InnovateStreamHandler::onError(QSerialPort::SerialPortError code)
{
    LOG4CPLUS_DEBUG_FMT(logger, "InnovateStreamReader: onError:%d", int(code));
}

void InnovateStreamHandler::portLost(const QString &reason)
{
    LOG4CPLUS_ERROR_FMT(logger, "InnovateStreamReader: port lost: %s: %s",
                        KELVO_QS(isUSB ? QStringLiteral("LM-2") : portSettings.name), KELVO_QS(reason));
    emit error(QStringLiteral("port lost: ") + reason);
}

void InnovateStreamHandler::logMSTPacket(InnovateMTSPacket *packet)
{
    if (packet)
        mtsParser.copyPacket(*packet, false);
}
