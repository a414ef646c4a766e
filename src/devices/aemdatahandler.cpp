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
    bool parsed = false;
    const float value = (tab < 0 ? line : QByteArray::fromRawData(line.constData(), tab)).toFloat(&parsed);
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

    // Filled in place: a result is over a kilobyte to copy.
    const int first = job.results.size();
    job.results.resize(first + 2);
    CJobResult &result = job.results[first];
    result.name = resultName;
    result.displayName = resultDisplayName;
    result.typeName = "real";
    result.format = 8;
    result.realValue = value;
    char text[32];
    ExponentText::write(value, text, sizeof text);
    result.setTextValue(text);

    CJobResult &raw = job.results[first + 1];
    raw.name = "rawdata";
    raw.displayName = "rawdata";
    raw.typeName = "string";
    raw.format = 6;
    static const char digits[] = "0123456789abcdef";
    const int n = qMin(line.size(), int(MaxRawBytes));
    for (int i = 0; i < n; ++i) {
        const unsigned char b = static_cast<unsigned char>(line.at(i));
        raw.textValue[2 * i] = digits[b >> 4];
        raw.textValue[2 * i + 1] = digits[b & 15];
    }
    raw.textValue[2 * n] = '\0';
    valid = true;
}
