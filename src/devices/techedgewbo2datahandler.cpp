#include "techedgewbo2datahandler.h"

#include "latin1.h"

#include <QDateTime>

TechEdgeWBo2DataHandler::TechEdgeWBo2DataHandler(QString jobName, QObject *parent)
    : QObject(parent)
    , name(std::move(jobName))
{
    connect(&stream, &TechEdgeWBo2StreamHandler::error, this, &TechEdgeWBo2DataHandler::onStreamError);
}

TechEdgeWBo2DataHandler::~TechEdgeWBo2DataHandler()
{
    stream.stop();
}

void TechEdgeWBo2DataHandler::start()
{
    stream.start();
}

void TechEdgeWBo2DataHandler::stop()
{
    stream.stop();
}

void TechEdgeWBo2DataHandler::onPacketRead(QByteArray)
{
}

void TechEdgeWBo2DataHandler::onStreamError(const QString &message)
{
    // The plot window's status line is where the user looks.
    CJob job;
    job.jobName = Latin1::toStd(name);
    job.timeStamp = QDateTime::currentMSecsSinceEpoch();
    job.errorText = message == QLatin1String("port lost") ? "port lost" : "failed to open port";
    emit jobFinished(job, 349);
}
