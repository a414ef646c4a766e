#include "innovateconfigfollower.h"

#include "innovatemtsextconfig.h"

InnovateConfigFollower::InnovateConfigFollower(InnovateMTSExtConfig &watched, const QString &sourceName,
                                               QObject *parent)
    : QObject(parent)
    , config(watched)
    , source(sourceName)
    , logger(KelvoLog::get("innovate"))
{
    config.watchFiles();
    connect(&config, &InnovateMTSExtConfig::filesChanged, this, &InnovateConfigFollower::markStale);
}

bool InnovateConfigFollower::refresh()
{
    if (!stale)
        return false;
    reload();
    return reported.isEmpty();
}

void InnovateConfigFollower::reload()
{
    config.load();
    stale = false;
    noteReadError();
}

void InnovateConfigFollower::noteReadError()
{
    const QString error = config.readError();
    if (error == reported)
        return;
    reported = error;
    if (error.isEmpty())
        LOG4CPLUS_INFO_FMT(logger, "%s: the configuration reads again", KELVO_QS(source));
    else
        LOG4CPLUS_ERROR_FMT(logger, "%s: %s", KELVO_QS(source), KELVO_QS(error));
    emit notice(error);
}
