#include "plotwindowfeed.h"

#include "globaljobreceiver.h"
#include "jobmetatypes.h"
#include "jobqueue.h"
#include "plotwindow.h"

#include <QDateTime>

namespace {
QThread *receiverThread = nullptr;
}

void PlotWindowFeed::startReceiver()
{
    JobMetaTypes::registerAll();
    if (receiverThread)
        return;
    receiverThread = new QThread();
    receiverThread->setObjectName("receiver");
    GlobalJobReceiver::instance()->moveToThread(receiverThread);
    receiverThread->start();
}

void PlotWindowFeed::stopReceiver()
{
    if (!receiverThread)
        return;
    receiverThread->quit();
    receiverThread->wait();
}

void PlotWindowFeed::connect(PlotWindow *window)
{
    QObject::connect(GlobalJobReceiver::instance(), &GlobalJobReceiver::jobFinished, window,
                     &PlotWindow::onJobFinished, Qt::QueuedConnection);
}

void PlotWindowFeed::connect(QObject *listener)
{
    const bool connected = QObject::connect(GlobalJobReceiver::instance(), SIGNAL(jobFinished(CJob, int)),
                                            listener, SLOT(onJobFinished(CJob, int)), Qt::QueuedConnection);
    Q_ASSERT_X(connected, "PlotWindowFeed::connect", "the listener has no onJobFinished(CJob,int)");
    Q_UNUSED(connected);
}

void PlotWindowFeed::emptyQueue()
{
    for (const CJob &queued : JobQueue::instance()->jobs()) {
        CJob job = queued;
        JobQueue::instance()->removeJob(job);
    }
}

void PlotWindowFeed::send(const CJob &job, int result)
{
    QMetaObject::invokeMethod(GlobalJobReceiver::instance(), "onJobFinished", Qt::QueuedConnection,
                              Q_ARG(CJob, job), Q_ARG(int, result));
}

CJob PlotWindowFeed::makeJob(const char *ecu, const char *name, const QList<Value> &values,
                             qint64 timeStamp)
{
    static const char *const typeNames[] = {"char", "byte", "integer", "word", "long",
                                            "dword", "text", "binary", "real"};
    CJob job(ecu, name);
    job.jobTitle = name;
    job.timeStamp = timeStamp ? timeStamp : QDateTime::currentMSecsSinceEpoch();
    job.duration = 42;
    for (const Value &v : values) {
        CJobResult r;
        r.name = v.name;
        r.format = v.format;
        r.typeName = (v.format >= 0 && v.format <= 8) ? typeNames[v.format] : "string";
        r.realValue = v.value;
        r.unit = v.unit;
        if (v.text)
            r.setTextValue(v.text);
        else
            r.setTextValue(QByteArray::number(v.value, 'g', 10).toStdString());
        job.addResult(r);
    }
    return job;
}
