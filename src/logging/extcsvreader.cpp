#include "extcsvreader.h"
#include "serialportsetup.h"

#include "latin1.h"

#include <QDateTime>

ExtCSVReader::ExtCSVReader(QObject *parent)
    : QObject(parent)
    , logger(KelvoLog::get("CSVReader"))
{
    connect(&port, &QSerialPort::readyRead, this, &ExtCSVReader::onReadyRead);
    connect(&loss, &SerialPortLoss::lost, this, &ExtCSVReader::portLost);
}

ExtCSVReader::~ExtCSVReader()
{
    stop();
}

void ExtCSVReader::start()
{
    port.close();
    port.setPortName(settings.name);
    if (!port.open(QIODevice::ReadWrite)) {
        LOG4CPLUS_ERROR_FMT(logger, "ExtCsvReader: open port %s failed: %s", KELVO_QS(settings.name),
                            KELVO_QS(port.errorString()));
        return;
    }
    LOG4CPLUS_DEBUG(logger, "ExtCsvReader: open port OK");
    applySettings();
    port.flush();
}

void ExtCSVReader::applySettings()
{
    // A pseudo-terminal refuses some of these; the bytes pass all the same.
    auto refused = [this](const char *what) {
        LOG4CPLUS_WARN_FMT(logger, "port %s refused the %s setting", KELVO_QS(settings.name), what);
    };
    applySerialPortSettings(port, settings, refused);
    port.clearError();
}

void ExtCSVReader::stop()
{
    if (!port.isOpen())
        return;
    LOG4CPLUS_DEBUG_FMT(logger, "ExtCsvReader: close port %s", KELVO_QS(port.portName()));
    port.close();
}

void ExtCSVReader::portLost(const QString &reason)
{
    LOG4CPLUS_ERROR_FMT(logger, "ExtCsvReader: port lost: %s: %s", KELVO_QS(settings.name), KELVO_QS(reason));
    CJob job;
    job.jobName = Latin1::toStd(jobName);
    job.timeStamp = QDateTime::currentMSecsSinceEpoch();
    job.errorText = "port lost";
    emit jobFinished(job, 349);
}

void ExtCSVReader::onReadyRead()
{
    const QByteArray bytes = port.readAll();
    if (!bytes.isEmpty())
        onDataRead(bytes);
}

void ExtCSVReader::onDataRead(QByteArray responseData)
{
    LOG4CPLUS_DEBUG_FMT(logger, "read msg: '%s'", responseData.toHex().constData());
    if (responseData.size() != MessageSize)
        return;
    CJob job;
    job.jobName = Latin1::toStd(jobName);
    job.timeStamp = QDateTime::currentMSecsSinceEpoch();
    CJobResult result;
    result.name = "RAWDATA_AS_HEX";
    result.typeName = "string";
    result.format = 6;
    result.setTextValue(responseData.toHex().constData());
    job.addResult(result);
    job.duration = QDateTime::currentMSecsSinceEpoch() - job.timeStamp;
    emit jobFinished(job, 0);
}
