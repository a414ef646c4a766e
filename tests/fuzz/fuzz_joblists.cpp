// The job-list parsers: BIV files, custom-job BIV files, "translations.txt",
// "job_filter_include.txt", comma lists and the ECU list. The input is cut at
// every byte 0x01 into these files, in that order.
#include "joblistfilereader.h"
#include "prgwriter.h"

#include <QByteArray>
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
        QDir d(dir.path());
        d.mkpath("jobs/serialjobs");
        d.mkpath("jobs/customjobs");
        d.mkpath("jobs/lists");
        PrgWriter w;
        w.setDescription("ECU:Engine MSV70\nJOBNAME:STATUS_A\nJOBCOMMENT:a\nRESULT:R\nRESULTTYPE:real\n");
        w.jobsFromDescription();
        w.write(dir.filePath("ecu/MSV70.prg"));
    }
    QTemporaryDir dir;
};

void put(const char *path, const QByteArray &bytes)
{
    QFile f(QString::fromLatin1(path));
    if (f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        f.write(bytes);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static Setup setup;
    // The files live in the working directory; the fuzzer's own corpus paths
    // are relative to the one it started in.
    const QString previous = QDir::currentPath();
    QDir::setCurrent(setup.dir.path());
    const QList<QByteArray> parts = QByteArray::fromRawData(reinterpret_cast<const char *>(data), int(size)).split('\x01');
    put("jobs/serialjobs/FUZZ_SERIAL.biv", parts.value(0));
    put("jobs/customjobs/FUZZ_SERIAL_CUSTOMJOBS.BIV", parts.value(1));
    put("translations.txt", parts.value(2));
    // A user's pattern may be slow on purpose; keep it short.
    put("job_filter_include.txt", parts.value(3).left(24));
    put("jobs/lists/list.txt", parts.value(4));
    put("jobs/eculist.txt", parts.value(5));

    {
    JobListFileReader reader;
    reader.readBIVsFromdir("jobs/serialjobs", true);
    reader.readBIVsFromdir("jobs/lists", false);
    reader.readFromPrg("jobs/eculist.txt");
    for (const QString &name : reader.getEcuNames())
        reader.getEcuDescription(name);
    delete reader.createPrgFromCustomJobBIV("FUZZ_SERIAL.biv", true, "jobs/serialjobs");
    delete reader.createPrgFromCustomJobBIV("FUZZ_SERIAL.biv", false, "jobs/serialjobs");
    delete reader.createPrgFromPrg("MSV70", true);
    QString block = QString::fromLatin1(parts.value(0));
    delete reader.parseJob(block);
    }
    QDir::setCurrent(previous);
    return 0;
}
