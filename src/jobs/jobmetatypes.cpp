#include "jobmetatypes.h"
#include "cjob.h"
#include "cjobresultpair.h"
#include "jobqueue.h"
#include "serialportsettings.h"

#include <QCoreApplication>
#include <mutex>

void JobMetaTypes::registerAll()
{
    static std::once_flag once;
    std::call_once(once, [] {
        qRegisterMetaType<CJob>("CJob");
        qRegisterMetaTypeStreamOperators<CJob>("CJob");
        qRegisterMetaType<CJobResult>("CJobResult");
        qRegisterMetaType<CJobResultPair>("CJobResultPair");
        qRegisterMetaType<QList<CJob>>("QList<CJob>");
        qRegisterMetaType<SerialPortSettings>("SerialPortSettings");
        qRegisterMetaType<JobQueue::Event>("JobQueue::Event");
    });
}

namespace {
void registerAtStartup()
{
    JobMetaTypes::registerAll();
}
}
Q_COREAPP_STARTUP_FUNCTION(registerAtStartup)
