#pragma once
// The results of one direct EDIABAS job by result set: set 0 is EDIABAS's
// system set, the job's own results start at set 1. A value (implicitly
// shared), so it crosses threads in queued signals without an owner to care
// for.
#include "cjobresult.h"

#include <QHash>
#include <QList>
#include <QMetaType>

class ResultList : public QHash<int, QList<CJobResult>>
{
public:
    // Registers "ResultList" for queued signals; done by EdiabasUtils2.
    static void registerMetaType();
};

Q_DECLARE_METATYPE(ResultList)
