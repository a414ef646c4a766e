#include "extsourcemanager.h"

#include "canadapterfe.h"
#include "extsourcedatahandler.h"
#include "innovatedatahandler.h"
#include "innovatemtssdkhandler.h"
#include "latin1.h"
#include "plotwindow.h"
#include "q14point7thread.h"
#include "qextrunnerthread.h"
#include "techedgewbo2datahandler.h"

#include <QCloseEvent>
#include <QDebug>
#include <QMutexLocker>

namespace {
ExtSourceManager *theManager = nullptr;
}

ExtSourceManager::ExtSourceManager(QObject *parent)
    : QObject(parent)
    , logger(KelvoLog::get("extsourcemanager"))
{
}

ExtSourceManager::~ExtSourceManager()
{
    LOG4CPLUS_DEBUG(logger, "> ~ExtSourceManager()");
    // Readers first: they use handlers, which die with the manager's children.
    const QList<QString> names = runners.keys();
    for (const QString &name : names) {
        LOG4CPLUS_DEBUG_FMT(logger, "> manager deleting thread:%s", KELVO_QS(name));
        delete runners.take(name);
        LOG4CPLUS_DEBUG_FMT(logger, "< manager deleting thread:%s", KELVO_QS(name));
    }
    qDebug() << "< ~ExtSourceManager()";
}

ExtSourceManager *ExtSourceManager::instance()
{
    if (!theManager)
        theManager = new ExtSourceManager(nullptr);
    return theManager;
}

void ExtSourceManager::destroy()
{
    LOG4CPLUS_DEBUG(KelvoLog::get("extsourcemanager"), ">destroy()");
    ExtSourceManager *manager = theManager;
    theManager = nullptr;
    delete manager;
}

bool ExtSourceManager::connectToListener(QObject *source, QObject *listener)
{
    if (!source || !listener)
        return false;
    return bool(connect(source, SIGNAL(jobFinished(CJob, int)), listener, SLOT(onJobFinished(CJob, int)),
                        Qt::QueuedConnection));
}

void ExtSourceManager::connectSource(QObject *source, QObject *listener, PlotWindow &window)
{
    if (!connectToListener(source, listener))
        LOG4CPLUS_ERROR_FMT(logger, "readings of %s reach no listener", KELVO_QS(source->objectName()));
    connect(&window, SIGNAL(closed(QCloseEvent *)), source, SLOT(stop()), Qt::QueuedConnection);
    // What a source has to say that is no job's failure goes to its window.
    if (source->metaObject()->indexOfSignal("notice(QString)") >= 0)
        connect(source, SIGNAL(notice(QString)), &window, SLOT(setSourceNotice(QString)));
}

InnovateDataHandler *ExtSourceManager::createInnovate(const QString &name, QObject *listener, PlotWindow &window)
{
    auto *source = new InnovateDataHandler(name, this);
    source->setObjectName(name);
    connectSource(source, listener, window);
    return source;
}

InnovateMTSSDKHandler *ExtSourceManager::createMTS(const QString &name, QObject *listener, PlotWindow &window)
{
    LOG4CPLUS_DEBUG(logger, "createMTS");
    auto *source = new InnovateMTSSDKHandler(name, this);
    LOG4CPLUS_DEBUG(logger, "1");
    source->setObjectName(name);
    connectSource(source, listener, window);
    LOG4CPLUS_DEBUG(logger, "2");
    LOG4CPLUS_DEBUG(logger, "3");
    return source;
}

Q14Point7Thread *ExtSourceManager::create14Point7(const QString &name, QObject *listener, PlotWindow &window)
{
    auto *source = new Q14Point7Thread(name, this);
    source->setObjectName(name);
    connectSource(source, listener, window);
    fourteenPoint7 = source;
    return source;
}

Q14Point7Thread *ExtSourceManager::last14Point7() const
{
    return fourteenPoint7.data();
}

TechEdgeWBo2DataHandler *ExtSourceManager::createTechEdge(const QString &name, QObject *listener,
                                                          PlotWindow &window)
{
    auto *source = new TechEdgeWBo2DataHandler(name, this);
    source->setObjectName(name);
    connectSource(source, listener, window);
    return source;
}

QExtRunnerThread *ExtSourceManager::createExtRunner(CJob &job, ExtSourceDataHandler *handler, QObject *listener,
                                                    bool readLine)
{
    const QString name = Latin1::toQString(job.jobName);
    QExtRunnerThread *runner = nullptr;
    QExtRunnerThread *replaced = nullptr;
    {
        QMutexLocker lock(&mutex);
        runner = new QExtRunnerThread(name, handler, readLine);
        if (!connectToListener(runner, listener))
            LOG4CPLUS_ERROR_FMT(logger, "readings of %s reach no listener", KELVO_QS(name));
        replaced = runners.value(name, nullptr);
        runners.insert(name, runner);
    }
    // An earlier reader of the name would read on unreachable: stop it.
    if (replaced) {
        LOG4CPLUS_WARN_FMT(logger, "replacing the reader of %s", KELVO_QS(name));
        delete replaced;
    }
    return runner;
}

CANAdapterFE *ExtSourceManager::createCANAdapter(const QString &name, QObject *listener, PlotWindow &window)
{
    auto *source = new CANAdapterFE(name, &window, this);
    if (!connectToListener(source, listener))
        LOG4CPLUS_ERROR_FMT(logger, "readings of %s reach no listener", KELVO_QS(name));
    // Queued, so that the close returns at once; the event itself does not
    // travel (it is gone by then).
    connect(&window, &PlotWindow::closed, source,
            [source] { QMetaObject::invokeMethod(source, "stop", Qt::QueuedConnection); });
    return source;
}

QExtRunnerThread *ExtSourceManager::extRunner(const QString &jobName) const
{
    return runners.value(jobName, nullptr);
}

void ExtSourceManager::onCloseEvent(QCloseEvent *)
{
    PlotWindow *window = qobject_cast<PlotWindow *>(sender());
    if (!window) {
        LOG4CPLUS_ERROR(logger, "can not cast to PlotWindow");
        return;
    }
    const QString name = Latin1::toQString(window->job().jobName);
    LOG4CPLUS_DEBUG_FMT(logger, "> onCloseEvent :%s", KELVO_QS(name));
    LOG4CPLUS_DEBUG_FMT(logger, "closing window with jobname:%s", KELVO_QS(name));
    QExtRunnerThread *runner = runners.value(name, nullptr);
    if (runner) {
        LOG4CPLUS_DEBUG(logger, ">stop and delete thread");
        runners.remove(name);
        runner->stop();
        delete runner;
        LOG4CPLUS_DEBUG(logger, "<stop and delete thread");
    } else {
        LOG4CPLUS_ERROR_FMT(logger, "Can not find window:%s", KELVO_QS(name));
    }
    LOG4CPLUS_DEBUG(logger, "< onCloseEvent");
}

void ExtSourceManager::fileSource(const QString &jobName, QObject *source, PlotWindow &window, const QString &port)
{
    filed.insert(jobName, FiledSource{source, &window, port});
    connect(&window, &PlotWindow::closed, this, &ExtSourceManager::onSourceWindowClosed, Qt::UniqueConnection);
}

PlotWindow *ExtSourceManager::sourceWindow(const QString &jobName) const
{
    const auto it = filed.constFind(jobName);
    return it == filed.constEnd() ? nullptr : it->window.data();
}

bool ExtSourceManager::isSourceRunning(const QString &jobName) const
{
    const auto it = filed.constFind(jobName);
    if (it == filed.constEnd() || !it->source)
        return false;
    bool running = false;
    if (!QMetaObject::invokeMethod(it->source.data(), "isRunning", Qt::DirectConnection, Q_RETURN_ARG(bool, running)))
        LOG4CPLUS_ERROR_FMT(logger, "the source of %s cannot say whether it runs", KELVO_QS(jobName));
    return running;
}

QString ExtSourceManager::sourcePort(const QString &jobName) const
{
    return filed.value(jobName).port;
}

void ExtSourceManager::retireSource(const QString &jobName)
{
    auto it = filed.find(jobName);
    if (it == filed.end())
        return;
    QObject *source = it->source.data();
    it->source = nullptr;
    if (!source)
        return;
    LOG4CPLUS_DEBUG_FMT(logger, "retiring the source of %s", KELVO_QS(jobName));
    if (auto *runner = qobject_cast<QExtRunnerThread *>(source)) {
        if (runners.value(jobName) == runner)
            runners.remove(jobName);
        auto *handler = dynamic_cast<QObject *>(runner->dataHandler());
        delete runner;
        if (handler)
            handler->deleteLater();
        return;
    }
    QMetaObject::invokeMethod(source, "stop", Qt::DirectConnection);
    source->deleteLater();
}

void ExtSourceManager::onSourceWindowClosed()
{
    QObject *window = sender();
    for (auto it = filed.begin(); it != filed.end();) {
        if (it->window && it->window != window) {
            ++it;
            continue;
        }
        // Stopped now, not only by the queued stop(): its port is free for
        // a Connect that follows at once. A reader stops in onCloseEvent.
        QObject *source = it->source.data();
        if (source && !qobject_cast<QExtRunnerThread *>(source))
            QMetaObject::invokeMethod(source, "stop", Qt::DirectConnection);
        it = filed.erase(it);
    }
}

void ExtSourceManager::onDestroyed(QObject *)
{
    LOG4CPLUS_DEBUG(logger, ">onDestroyed()");
}
