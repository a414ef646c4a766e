// The custom-job store over one "config/customjobs.xml": both readers and the
// three writing operations.
#include "customjobseditor.h"

#include <QDir>
#include <QFile>
#include <QLoggingCategory>
#include <QTemporaryDir>
#include <cstdint>

namespace {

void quiet(QtMsgType, const QMessageLogContext &, const QString &)
{
}

struct Setup
{
    Setup()
        : dir(QDir("/dev/shm").exists() ? QStringLiteral("/dev/shm/kelvo-fuzz-XXXXXX") : QDir::tempPath() + "/kelvo-fuzz-XXXXXX")
    {
        qInstallMessageHandler(quiet);
        QLoggingCategory::setFilterRules(QStringLiteral("*.debug=false"));
        QDir(dir.path()).mkpath("config");
    }
    QTemporaryDir dir;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static Setup setup;
    const QString previous = QDir::currentPath();
    QDir::setCurrent(setup.dir.path());
    {
        QFile f("config/customjobs.xml");
        if (f.open(QIODevice::WriteOnly | QIODevice::Truncate))
            f.write(reinterpret_cast<const char *>(data), qint64(size));
    }
    QList<CJob> all = CustomJobsEditor().getCustomJobs();
    CJob job("MSV70", "STATUS_A");
    job.virtualName = "A1";
    if (!all.isEmpty())
        job = all.first();
    CustomJobsEditor().getCustomJobs(QString::fromLatin1(job.ecuName.c_str()));
    job.comment = "changed";
    CustomJobsEditor().updateJobAndSave(job);
    CustomJobsEditor().addJobAndSave(job);
    CustomJobsEditor().delJobAndSave(job);
    CustomJobsEditor().getCustomJobs();
    QDir::setCurrent(previous);
    return 0;
}
