#pragma once
// Runs one EDIABAS job directly (outside the job queue and the runner) in
// the caller's thread and returns every result set of it. While it waits for
// the job it keeps the caller's events flowing; a second call made from those
// events is refused (returns Refused) instead of being nested.
#include "resultlist.h"

#include <QList>
#include <QObject>
#include <QString>

class EdiabasUtils : public QObject
{
    Q_OBJECT
public:
    // execApiJob's answer when another direct job of this thread is running.
    enum { Refused = -1 };

    explicit EdiabasUtils(QObject *parent = nullptr);

    // The error text of the last execApiJob (empty when EDIABAS had none,
    // or when the job was refused), read inside that job's transaction: a
    // later apiErrorText() may already answer for another thread's job.
    QString lastErrorText() const { return lastError; }

public slots:
    // Returns the last EDIABAS state: 1 when the job ended ready.
    int execApiJob(QString ecu, QString jobName, QString params, ResultList &lst);
    int execApiState();

signals:
    void apiFinished();

private:
    QString lastError;
};
