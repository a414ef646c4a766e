// The custom-job store over one "config/customjobs.xml": both readers and the
// three writing operations.
#include "customjobseditor.h"
#include "fuzzworkdir.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static FuzzWorkDir dir;
    FuzzCurrentDir cd(dir);
    dir.write("config/customjobs.xml", data, size);
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
    return 0;
}
