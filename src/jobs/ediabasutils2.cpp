#include "ediabasutils2.h"

#include "ediabasapi.h"
#include "ediabassessionlock.h"
#include "ediabasutils.h"
#include "programclosing.h"

#include <QDateTime>
#include <QDebug>
#include <QThread>

namespace {

const char *typeNameOf(int format)
{
    static const char *const names[] = {"char", "byte", "integer", "word", "long", "dword", "text", "binary", "real"};
    return (format >= 0 && format <= 8) ? names[format] : "";
}

void fillSet(QList<CJobResult> &reslist, int set)
{
    qDebug() << "fillResults:" << set;
    unsigned short count = 0;
    apiResultNumber(&count, static_cast<unsigned short>(set));
    qDebug() << count << " results in set: " << set;
    for (int i = 1; i <= count; ++i) {
        char name[APIMAXTEXT] = {0};
        char text[APIMAXTEXT] = {0};
        int format = -1;
        apiResultName(name, static_cast<unsigned short>(i), static_cast<unsigned short>(set));
        apiResultText(text, name, static_cast<unsigned short>(set), "");
        apiResultFormat(&format, name, static_cast<unsigned short>(set));
        CJobResult r;
        r.name = name;
        r.displayName = name;
        r.format = format;
        r.typeName = typeNameOf(format);
        r.setTextValue(text);
        qDebug() << "name:" << name << ",val:" << text;
        reslist.append(r);
    }
}

} // namespace

EdiabasUtils2::EdiabasUtils2(QObject *parent)
    : QObject(parent)
{
    ResultList::registerMetaType();
}

int EdiabasUtils2::runJob(const QString &ecu, const QString &jobName, const QString &params, ResultList &lst,
                          bool pumpEvents, QString *errorText)
{
    if (errorText)
        errorText->clear();
    qDebug() << " >execApiJob:" << ecu << "," << jobName << "," << params;
    EdiabasSessionLock lock;
    if (!lock.isLocked()) {
        qDebug() << " execApiJob refused: a direct EDIABAS job of this thread is still running";
        return EdiabasUtils::Refused;
    }
    apiJob(ecu.toLatin1().constData(), jobName.toLatin1().constData(), params.toLatin1().constData(), "");
    QThread::msleep(100);
    int state = apiState();
    int counter = 0;
    while (state == 0) {
        qDebug() << " in while :state=" << state;
        QThread::msleep(50);
        state = apiState();
        ++counter;
        qDebug() << "counter:" << counter;
        // The program's close does not wait for a job.
        if (counter > 50 || ProgramClosing::announced())
            apiBreak();
        // A runtime that never ends a broken job must not hold the session
        // lock, and every other EDIABAS user with it, for good.
        if (counter > 50 + 200) {
            qDebug() << " EDIABAS did not end the broken job: given up";
            break;
        }
        if (pumpEvents)
            EdiabasSessionLock::processEvents();
    }
    if (state == 1) {
        unsigned short sets = 0;
        apiResultSets(&sets);
        qDebug() << "sets:" << sets;
        for (int i = 0; i <= sets; ++i) {
            QList<CJobResult> list;
            fillSet(list, i);
            lst.insert(i, list);
        }
        qDebug() << "hash count:" << lst.count();
        // The transaction ends with the error text, on this path too.
        const char *err = apiErrorText();
        if (errorText && err)
            *errorText = QString::fromLatin1(err);
    } else {
        const char *err = apiErrorText();
        qDebug() << "state=" << state << ",err=" << (err ? err : "");
        if (errorText && err)
            *errorText = QString::fromLatin1(err);
    }
    lock.unlock();
    qDebug() << " <execApiJob";
    return state;
}

int EdiabasUtils2::execApiJob()
{
    ResultList lst;
    runJob(ecu, jobName, params, lst, false);
    emit apiJobFinished(lst);
    qDebug() << " emitted";
    return 1;
}

void EdiabasUtils2::fillResults(QList<CJobResult> &reslist, int set)
{
    fillSet(reslist, set);
}

int EdiabasUtils2::execApiState()
{
    EdiabasSessionLock lock;
    return apiState();
}

void EdiabasUtils2::longRunningFunc()
{
    emit started();
    qDebug() << " start func" << QDateTime::currentDateTime();
    QThread::msleep(2000);
    qDebug() << " end func" << QDateTime::currentDateTime();
    emit ready();
}
