#include "cprgfile.h"

CPRGFile::~CPRGFile()
{
    qDeleteAll(jobs);
    jobs.clear();
}

CJob *CPRGFile::getJob(int i) const
{
    Q_ASSERT_X(i >= 0 && i < jobs.size(), "CPRGFile::getJob", "index out of range");
    if (i < 0 || i >= jobs.size())
        return nullptr;
    return jobs.at(i);
}
