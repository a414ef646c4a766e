#include "q14point7reader.h"
#include "serialportsetup.h"

Q14Point7Reader::Q14Point7Reader(QObject *parent)
    : QObject(parent)
    , port(this)
    , logger(KelvoLog::get("qextrunnerthread"))
{
    setupDefaultComSettings();
    settings.name.clear();
    connect(&port, &QSerialPort::readyRead, this, &Q14Point7Reader::onReadyRead);
    connect(&loss, &SerialPortLoss::portError, this, &Q14Point7Reader::onError);
    connect(&loss, &SerialPortLoss::lost, this, &Q14Point7Reader::portLost);
    pauseTimer.setSingleShot(true);
    // A coarse timer may end a pause early; the device needs all of it.
    pauseTimer.setTimerType(Qt::PreciseTimer);
    connect(&pauseTimer, &QTimer::timeout, this, &Q14Point7Reader::pauseEnded);
    retryTimer.setSingleShot(true);
    connect(&retryTimer, &QTimer::timeout, this, &Q14Point7Reader::requestTimedOut);
}

Q14Point7Reader::~Q14Point7Reader()
{
    pauseTimer.stop();
    retryTimer.stop();
    if (port.isOpen())
        port.close();
}

void Q14Point7Reader::setupDefaultComSettings()
{
    settings.baudRate = 14400;
    settings.dataBits = QSerialPort::Data8;
    settings.parity = QSerialPort::NoParity;
    settings.stopBits = QSerialPort::OneStop;
    settings.flowControl = QSerialPort::NoFlowControl;
}

void Q14Point7Reader::setPortName(const QString &name)
{
    LOG4CPLUS_DEBUG_FMT(logger, "Q14Point7Reader: setPortname:%s", KELVO_QS(name));
    settings.name = name;
}

void Q14Point7Reader::setDataPause(int ms)
{
    // A negative pause is no pause.
    pauseData = qMax(0, ms);
}

bool Q14Point7Reader::open()
{
    if (port.isOpen()) {
        // A second start leaves the running exchange alone.
        LOG4CPLUS_INFO_FMT(logger, "Q14Point7Reader: %s is open already", KELVO_QS(port.portName()));
        openFailure = QStringLiteral("open already, its exchange goes on");
        return false;
    }
    port.setPortName(settings.name);
    if (!port.open(QIODevice::ReadWrite)) {
        openFailure = serialPortOpenError(port);
        LOG4CPLUS_ERROR_FMT(logger, "Q14Point7Reader: cannot open %s: %s", KELVO_QS(settings.name),
                            KELVO_QS(openFailure));
        return false;
    }
    LOG4CPLUS_DEBUG(logger, "Q14Point7Reader: open port OK");
    // A pseudo-terminal refuses some settings; the bytes pass all the same.
    auto refused = [this](const char *what) {
        LOG4CPLUS_WARN_FMT(logger, "Q14Point7Reader: port refused the %s setting", what);
    };
    applySerialPortSettings(port, settings, refused);
    port.clear();
    port.clearError();
    return true;
}

void Q14Point7Reader::start()
{
    LOG4CPLUS_DEBUG(logger, ">start");
    LOG4CPLUS_DEBUG(logger, "Q14Point7Reader: start pressed");
    if (!open()) {
        LOG4CPLUS_DEBUG(logger, "Q14Point7Reader: open port failed");
        emit error(QStringLiteral("open port failed: ") + openFailure);
    } else {
        LOG4CPLUS_DEBUG(logger, "Q14Point7Reader: open port ok");
        beginExchange();
    }
    LOG4CPLUS_DEBUG(logger, "<start");
}

void Q14Point7Reader::beginExchange()
{
    buffer.clear();
    protocolState = WaitStart;
    send(StartByte);
    pause(InitPauseMs);
}

void Q14Point7Reader::stop()
{
    LOG4CPLUS_DEBUG(logger, "Q14Point7Reader: stop");
    // Nothing is written after a stop: no pause or retry is left to end.
    pauseTimer.stop();
    retryTimer.stop();
    // Also when called from a slot of dataRead: the step sends no request.
    protocolState = Idle;
    if (port.isOpen())
        port.close();
}

void Q14Point7Reader::pause(int ms)
{
    retryTimer.stop();
    pauseTimer.start(ms);
}

void Q14Point7Reader::pauseEnded()
{
    if (!port.isOpen())
        return;
    // Listening again: an answer that does not come is asked for anew.
    retryTimer.start(RetryMs);
    if (port.bytesAvailable() > 0)
        onReadyRead();
}

void Q14Point7Reader::onReadyRead()
{
    // During a pause the bytes wait in the port; its end reads them.
    if (pauseTimer.isActive() || !port.isOpen())
        return;
    const QByteArray bytes = port.readAll();
    if (bytes.isEmpty())
        return;
    LOG4CPLUS_TRACE_FMT(logger, "Q14Point7Reader: readyRead,state=%d", protocolState);
    if (protocolState != Idle)
        retryTimer.start(RetryMs);
    takeBytes(bytes);
}

void Q14Point7Reader::takeBytes(const QByteArray &bytes)
{
    if (bytes.isEmpty())
        return;
    switch (protocolState) {
    case WaitStart:
        emit dataRead(bytes);
        if (protocolState != WaitStart)
            break;
        protocolState = WaitInit;
        send(InitByte);
        pause(InitPauseMs);
        break;
    case WaitInit:
        emit dataRead(bytes);
        if (protocolState != WaitInit)
            break;
        protocolState = Streaming;
        send(DataRequest);
        pause(InitPauseMs);
        break;
    case Streaming:
        buffer += bytes;
        LOG4CPLUS_TRACE_FMT(logger, "Q14Point7Reader: readBuf len:%d", buffer.size());
        if (buffer.size() >= MessageSize) {
            LOG4CPLUS_TRACE_FMT(logger, "Q14Point7Reader: message emitted,readbuf len:%d", buffer.size());
            const QByteArray message = buffer;
            buffer.clear();
            emit dataRead(message);
            // A slot may have stopped the exchange.
            if (protocolState != Streaming)
                break;
            send(DataRequest);
            LOG4CPLUS_TRACE_FMT(logger, "Q14Point7Reader: sleep:%d", pauseData);
            pause(pauseData);
        }
        break;
    default:
        break;
    }
}

void Q14Point7Reader::requestTimedOut()
{
    if (!port.isOpen() || protocolState == Idle)
        return;
    LOG4CPLUS_WARN_FMT(logger, "Q14Point7Reader: no answer in %d ms, state=%d, %d byte(s) dropped: asking again",
                       int(RetryMs), protocolState, buffer.size());
    buffer.clear();
    // What came late to the last request would be taken for the answer to
    // the new one.
    port.readAll();
    send(lastRequest);
    pause(protocolState == Streaming ? pauseData : int(InitPauseMs));
}

void Q14Point7Reader::send(char request)
{
    lastRequest = request;
    writeBytes(QByteArray(1, request));
}

void Q14Point7Reader::write(const QString &data)
{
    writeBytes(data.toLatin1());
}

void Q14Point7Reader::writeBytes(const QByteArray &bytes)
{
    LOG4CPLUS_TRACE_FMT(logger, "Q14Point7Reader: write:%s", bytes.toHex().constData());
    if (port.isOpen())
        port.write(bytes);
}

void Q14Point7Reader::onError(QSerialPort::SerialPortError code)
{
    LOG4CPLUS_DEBUG_FMT(logger, "Q14Point7Reader: onError:%d", int(code));
}

void Q14Point7Reader::portLost(const QString &reason)
{
    // Nothing is asked again of a port that is gone.
    pauseTimer.stop();
    retryTimer.stop();
    protocolState = Idle;
    LOG4CPLUS_ERROR_FMT(logger, "Q14Point7Reader: port lost: %s: %s", KELVO_QS(settings.name), KELVO_QS(reason));
    emit error(QStringLiteral("port lost: ") + reason);
}
