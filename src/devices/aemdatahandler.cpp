#include "aemdatahandler.h"

#include "extsourceresult.h"
#include "latin1.h"
#include "numbertext.h"

#include <QDateTime>
#include <QSerialPort>

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
    // The first field is the value; in "   \t1" it is blank, and the 1 of
    // the second field is no air/fuel ratio.
    const int tab = line.indexOf('\t');
    const char *begin = line.constData();
    float value = 0.0f;
    const bool good = NumberText::toFloat(begin, begin + (tab < 0 ? line.size() : tab), value);
    if (ok)
        *ok = good;
    return good ? double(value) : 0.0;
}

void AEMDataHandler::onDataReceived(QByteArray &line, CJob &job, bool &valid)
{
    LOG4CPLUS_DEBUG_FMT(logger, "onDataReceived, length:%d", line.size());
    bool ok = false;
    const double value = lineValue(line, &ok);
    if (!ok) {
        // Garbage, a cut line or an empty one: a 0 would plot as a reading.
        LOG4CPLUS_WARN_FMT(logger, "AEM line without a value: '%s'", line.left(64).toHex().constData());
        valid = false;
        return;
    }
    job.jobName = jobName;
    job.timeStamp = QDateTime::currentMSecsSinceEpoch();

    // Filled in place: a result is over a kilobyte to copy.
    const int first = job.results.size();
    job.results.resize(first + 2);
    CJobResult &result = job.results[first];
    result.name = resultName;
    result.displayName = resultDisplayName;
    ExtSourceResult::setReal(result, value);

    CJobResult &raw = job.results[first + 1];
    raw.name = "rawdata";
    raw.displayName = "rawdata";
    ExtSourceResult::setHex(raw, line);
    valid = true;
}
