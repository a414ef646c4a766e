#include "techedgewbo2streamhandler.h"
#include "serialportsetup.h"

TechEdgeWBo2StreamHandler::TechEdgeWBo2StreamHandler(QObject *parent)
    : QObject(parent)
    , logger(KelvoLog::get("wbo2"))
{
    connect(&port, &QSerialPort::readyRead, this, &TechEdgeWBo2StreamHandler::onReadyRead);
    connect(&loss, &SerialPortLoss::portError, this, &TechEdgeWBo2StreamHandler::onError);
    connect(&loss, &SerialPortLoss::lost, this, &TechEdgeWBo2StreamHandler::portLost);
    LOG4CPLUS_DEBUG(logger, "TechEdgeWBo2StreamHandler()");
    setupDefaultComSettings();
}

TechEdgeWBo2StreamHandler::~TechEdgeWBo2StreamHandler()
{
    if (port.isOpen())
        port.close();
}

void TechEdgeWBo2StreamHandler::setupDefaultComSettings()
{
    LOG4CPLUS_DEBUG(logger, "TechEdgeWBo2StreamHandler: setComSettings");
    settings.name = defaultPortName;
    settings.baudRate = 19200;
    settings.dataBits = QSerialPort::Data8;
    settings.parity = QSerialPort::NoParity;
    settings.stopBits = QSerialPort::OneStop;
    settings.flowControl = QSerialPort::NoFlowControl;
}

bool TechEdgeWBo2StreamHandler::open()
{
    if (port.isOpen()) {
        LOG4CPLUS_INFO_FMT(logger, "TechEdgeWBo2StreamHandler: %s is open already", KELVO_QS(port.portName()));
        openFailure = QStringLiteral("open already");
        return false;
    }
    port.setPortName(settings.name);
    if (!port.open(QIODevice::ReadWrite)) {
        openFailure = serialPortOpenError(port);
        LOG4CPLUS_ERROR_FMT(logger, "TechEdgeWBo2StreamHandler: cannot open %s: %s", KELVO_QS(settings.name),
                            KELVO_QS(openFailure));
        return false;
    }
    LOG4CPLUS_DEBUG(logger, "TechEdgeWBo2StreamHandler: open port OK");
    // A pseudo-terminal refuses some settings; the bytes pass all the same.
    auto refused = [this](const char *what) {
        LOG4CPLUS_WARN_FMT(logger, "TechEdgeWBo2StreamHandler: port refused the %s setting", what);
    };
    applySerialPortSettings(port, settings, refused);
    port.clear();
    port.clearError();
    return true;
}

void TechEdgeWBo2StreamHandler::start()
{
    LOG4CPLUS_DEBUG(logger, ">start");
    LOG4CPLUS_DEBUG(logger, "TechEdgeWBo2StreamHandler: start pressed");
    if (!open()) {
        LOG4CPLUS_DEBUG(logger, "TechEdgeWBo2StreamHandler: open port failed");
        emit error(QStringLiteral("open port failed: ") + openFailure);
    } else {
        LOG4CPLUS_DEBUG(logger, "TechEdgeWBo2StreamHandler: open port ok");
    }
    LOG4CPLUS_DEBUG(logger, "<start");
}

void TechEdgeWBo2StreamHandler::stop()
{
    LOG4CPLUS_DEBUG(logger, "TechEdgeWBo2StreamHandler: stop");
    if (port.isOpen())
        port.close();
}

void TechEdgeWBo2StreamHandler::onReadyRead()
{
    const QByteArray bytes = port.readAll();
    // Every byte passes here: format only what is printed.
    if (logger.isEnabledFor(log4cplus::TRACE_LOG_LEVEL))
        LOG4CPLUS_TRACE_FMT(logger, "TechEdgeWBo2StreamHandler: read:%s", bytes.toHex().constData());
}

void TechEdgeWBo2StreamHandler::write(const QByteArray &data)
{
    LOG4CPLUS_DEBUG_FMT(logger, "TechEdgeWBo2StreamHandler: write:%s", data.toHex().constData());
    if (port.isOpen())
        port.write(data);
}

void TechEdgeWBo2StreamHandler::onError(QSerialPort::SerialPortError code)
{
    LOG4CPLUS_DEBUG_FMT(logger, "TechEdgeWBo2StreamHandler: onError:%d", int(code));
}

void TechEdgeWBo2StreamHandler::portLost(const QString &reason)
{
    LOG4CPLUS_ERROR_FMT(logger, "TechEdgeWBo2StreamHandler: port lost: %s: %s", KELVO_QS(settings.name),
                        KELVO_QS(reason));
    emit error(QStringLiteral("port lost: ") + reason);
}
