#include "ediabasutils.h"

#include "ediabasapi.h"
#include "ediabassessionlock.h"
#include "ediabasutils2.h"

#include <QDebug>

EdiabasUtils::EdiabasUtils(QObject *parent)
    : QObject(parent)
{
}

int EdiabasUtils::execApiJob(QString ecu, QString jobName, QString params, ResultList &lst)
{
    const int state = EdiabasUtils2::runJob(ecu, jobName, params, lst, true, &lastError);
    if (state == Refused)
        return state;
    emit apiFinished();
    qDebug() << " emitted";
    return state;
}

int EdiabasUtils::execApiState()
{
    EdiabasSessionLock lock;
    return apiState();
}
