#pragma once
// A worker, meant to be moved into a thread of its own, that runs one EDIABAS
// job directly and hands every result set of it to apiJobFinished. The
// results travel by value, so every receiver has its own copy.
#include "resultlist.h"

#include <QList>
#include <QObject>
#include <QString>

class EdiabasUtils2 : public QObject
{
    Q_OBJECT
public:
    explicit EdiabasUtils2(QObject *parent = nullptr);

    QString ecu;
    QString jobName;
    QString params;

    // Runs the job named by ecu/jobName/params into lst; returns the last
    // EDIABAS state. Shared with EdiabasUtils. With pumpEvents the caller's
    // events are processed while it polls. errorText, when given, receives
    // the job's error text (empty when EDIABAS has none), read inside the
    // job's own transaction.
    static int runJob(const QString &ecu, const QString &jobName, const QString &params, ResultList &lst,
                      bool pumpEvents, QString *errorText = nullptr);

public slots:
    // Always returns 1; the outcome is the (possibly empty) ResultList.
    int execApiJob();
    void fillResults(QList<CJobResult> &reslist, int set);
    int execApiState();
    void longRunningFunc();

signals:
    void started();
    void ready();
    void apiJobFinished(ResultList lst);
};
