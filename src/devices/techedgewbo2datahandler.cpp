#include "techedgewbo2datahandler.h"

#include "extsourcefailure.h"

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

bool TechEdgeWBo2DataHandler::isRunning() const
{
    return stream.isOpen();
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
    emit jobFinished(ExtSourceFailure::fromStreamError(name, stream.serialSettings().name, message),
                     ExtSourceFailure::Result);
}
