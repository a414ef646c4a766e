#include "extsourcefailure.h"

#include "latin1.h"

#include <QDateTime>

QString ExtSourceFailure::openFailed(const QString &port, const QString &reason)
{
    const QString where = port.isEmpty() ? QStringLiteral("(no port named)") : port;
    return QStringLiteral("failed to open port %1: %2").arg(where, reason);
}

QString ExtSourceFailure::lost(const QString &reason)
{
    return QStringLiteral("port lost: ") + reason;
}

bool ExtSourceFailure::isLoss(const QString &streamError)
{
    return streamError.startsWith(QLatin1String("port lost"));
}

QString ExtSourceFailure::reasonOf(const QString &streamError)
{
    const int colon = streamError.indexOf(QLatin1String(": "));
    return colon < 0 ? QStringLiteral("unknown error") : streamError.mid(colon + 2);
}

CJob ExtSourceFailure::job(const QString &jobName, const QString &errorText)
{
    CJob job;
    job.jobName = Latin1::toStd(jobName);
    job.timeStamp = QDateTime::currentMSecsSinceEpoch();
    job.errorText = Latin1::toStd(errorText);
    return job;
}

CJob ExtSourceFailure::fromStreamError(const QString &jobName, const QString &port, const QString &streamError)
{
    const QString reason = reasonOf(streamError);
    return job(jobName, isLoss(streamError) ? lost(reason) : openFailed(port, reason));
}
