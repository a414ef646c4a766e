#pragma once
// How often the runner has run one queued job since it was queued; the
// block-argument rewrite of the runner keys on it.
#include "cjob.h"

class JobRunCounter
{
public:
    JobRunCounter() = default;
    JobRunCounter(const CJob &job, int count) : counted(job), runs(count) {}

    int count() const { return runs; }
    void setCount(int c) { runs = c; }
    const CJob &job() const { return counted; }
    void setJob(const CJob &job) { counted = job; }

private:
    CJob counted;
    qint32 runs = 0;
};
