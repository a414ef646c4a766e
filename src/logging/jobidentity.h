#pragma once
// Which job a logged value comes from. Two ECUs' jobs of one name are two
// jobs, as they are two entries of the job queue (its key: display name and
// ECU). Two logged jobs that differ only by their arguments are told apart
// by them as well; elsewhere the arguments do not count, so that a plot
// window whose job gets new arguments keeps its columns.
#include "cjob.h"

#include <QList>
#include <QPair>
#include <QSet>
#include <QString>
#include <QStringList>

class JobIdentity
{
public:
    // The jobs whose values are logged (one per column; repeats are fine).
    void setJobs(const QList<CJob> &jobs);
    // The same text for the same job, another for another job.
    QString of(const CJob &job) const;

    // Texts for a list of entries, each with the job it belongs to: an
    // entry's text as it is, unless another job's entry has that text too;
    // then the ECU follows it in brackets (and the arguments, where the ECU
    // does not tell the two apart).
    static QStringList distinctTexts(const QList<QPair<QString, CJob>> &entries);

private:
    static QString base(const CJob &job);

    // Base keys of the jobs that the arguments tell apart.
    QSet<QString> m_byArguments;
};
