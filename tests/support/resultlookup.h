#pragma once
// Finds a job's result by name, for tests that check what a run filled in.
#include "cjob.h"
#include "cjobresult.h"

// The first result of that name, or null when the job has none.
inline const CJobResult *findResult(const CJob &job, const char *name)
{
    for (const CJobResult &r : job.results)
        if (r.name == name)
            return &r;
    return nullptr;
}
