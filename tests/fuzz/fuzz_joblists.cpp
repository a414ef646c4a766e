// The job-list parsers: BIV files, custom-job BIV files, "translations.txt",
// "job_filter_include.txt", comma lists and the ECU list. The input is cut at
// every byte 0x01 into these files, in that order.
#include "joblistfilereader.h"
#include "prgwriter.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cstdint>

namespace {

void quiet(QtMsgType, const QMessageLogContext &, const QString &)
{
}

struct Setup
{
    Setup()
    {
        qInstallMessageHandler(quiet);
        QDir::setCurrent(dir.path());
        QDir().mkpath("jobs/serialjobs");
        QDir().mkpath("jobs/customjobs");
        QDir().mkpath("jobs/lists");
        PrgWriter w;
        w.setDescription("ECU:Engine MSV70\nJOBNAME:STATUS_A\nJOBCOMMENT:a\nRESULT:R\nRESULTTYPE:real\n");
        w.jobsFromDescription();
        w.write("ecu/MSV70.prg");
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
    const QList<QByteArray> parts = QByteArray::fromRawData(reinterpret_cast<const char *>(data), int(size)).split('\x01');
    put("jobs/serialjobs/FUZZ_SERIAL.biv", parts.value(0));
    put("jobs/customjobs/FUZZ_SERIAL_CUSTOMJOBS.BIV", parts.value(1));
    put("translations.txt", parts.value(2));
    // A user's pattern may be slow on purpose; keep it short.
    put("job_filter_include.txt", parts.value(3).left(24));
    put("jobs/lists/list.txt", parts.value(4));
    put("jobs/eculist.txt", parts.value(5));

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
    return 0;
}
