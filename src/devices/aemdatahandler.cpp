#include "aemdatahandler.h"

#include "exponenttext.h"
#include "latin1.h"

#include <QDateTime>
#include <QSerialPort>
#include <cmath>

AEMDataHandler::AEMDataHandler(QObject *parent)
    : QObject(parent)
    , logger(KelvoLog::get("qextrunnerthread"))
{
    settings.baudRate = QSerialPort::Baud9600;
    settings.dataBits = QSerialPort::Data8;
    settings.parity = QSerialPort::NoParity;
    settings.stopBits = QSerialPort::OneStop;
    settings.flowControl = QSerialPort::HardwareControl;
}

AEMDataHandler::~AEMDataHandler()
{
    LOG4CPLUS_DEBUG(logger, "~AEMDAtahandler ");
}

void AEMDataHandler::setJobName(const QString &name)
{
    jobName = Latin1::toStd(name);
}

void AEMDataHandler::setResultName(const QString &name)
{
    resultName = Latin1::toStd(name);
}

void AEMDataHandler::setResultDisplayName(const QString &name)
{
    resultDisplayName = Latin1::toStd(name);
}

double AEMDataHandler::lineValue(const QByteArray &line, bool *ok)
{
    const int tab = line.indexOf('\t');
    const QByteArray first = tab < 0 ? line : line.left(tab);
    bool parsed = false;
    const float value = first.toFloat(&parsed);
    const bool good = parsed && std::isfinite(value);
    if (ok)
        *ok = good;
    return good ? double(value) : 0.0;
}

void AEMDataHandler::onDataReceived(QByteArray &line, CJob &job, bool &valid)
{
    LOG4CPLUS_DEBUG_FMT(logger, "onDataReceived, length:%d", line.size());
    job.jobName = jobName;
    job.timeStamp = QDateTime::currentMSecsSinceEpoch();

    bool ok = false;
    const double value = lineValue(line, &ok);
    if (!ok && !line.isEmpty())
        LOG4CPLUS_WARN_FMT(logger, "AEM line without a value: '%s'",
                           line.left(64).toHex().constData());

    CJobResult result;
    result.name = resultName;
    result.displayName = resultDisplayName;
    result.typeName = "real";
    result.format = 8;
    result.realValue = value;
    result.setTextValue(ExponentText::of(value).constData());

    CJobResult raw;
    raw.name = "rawdata";
    raw.displayName = "rawdata";
    raw.typeName = "string";
    raw.format = 6;
    raw.setTextValue(line.left(MaxRawBytes).toHex().constData());

    job.results.reserve(2);
    job.addResult(result);
    job.addResult(raw);
    valid = true;
}
