// The job-list parsers: BIV files, custom-job BIV files, "translations.txt",
// "job_filter_include.txt", comma lists and the ECU list. The input is cut at
// every byte 0x01 into these files, in that order.
#include "fuzzworkdir.h"
#include "joblistfilereader.h"
#include "prgwriter.h"

#include <QByteArray>
#include <cstdint>

namespace {

struct Setup
{
    Setup()
    {
        PrgWriter w;
        w.setDescription("ECU:Engine MSV70\nJOBNAME:STATUS_A\nJOBCOMMENT:a\nRESULT:R\nRESULTTYPE:real\n");
        w.jobsFromDescription();
        w.write(dir.filePath("ecu/MSV70.prg"));
    }
    FuzzWorkDir dir;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static Setup setup;
    // The files live in the working directory.
    FuzzCurrentDir cd(setup.dir);
    const QList<QByteArray> parts = QByteArray::fromRawData(reinterpret_cast<const char *>(data), int(size)).split('\x01');
    setup.dir.write("jobs/serialjobs/FUZZ_SERIAL.biv", parts.value(0));
    setup.dir.write("jobs/customjobs/FUZZ_SERIAL_CUSTOMJOBS.BIV", parts.value(1));
    setup.dir.write("translations.txt", parts.value(2));
    // A user's pattern may be slow on purpose; keep it short.
    setup.dir.write("job_filter_include.txt", parts.value(3).left(24));
    setup.dir.write("jobs/lists/list.txt", parts.value(4));
    setup.dir.write("jobs/eculist.txt", parts.value(5));

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
    return 0;
}
