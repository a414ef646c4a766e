#pragma once
// What one column of a CSV log holds: the field of a row it is read from
// (field 0 is the time), the job it belongs to (only ECU name, job name and
// virtual name are set) and the name its result gets. resultName may be a
// translation; sideFileName keeps the name as the log's side file (or its
// header) gives it, for matching against definitions written for it.
#include "cjob.h"

#include <QString>

class JobInfo
{
public:
    JobInfo() = default;
    JobInfo(int column, const CJob &job, const QString &resultName, const QString &sideFileName = QString())
        : column(column), job(job), resultName(resultName),
          sideFileName(sideFileName.isNull() ? resultName : sideFileName)
    {
    }

    int column = 0;
    CJob job;
    QString resultName;
    QString sideFileName;
};
