#pragma once
// One ECU description with the jobs it offers. Owns its jobs; never copied.
#include "cjob.h"

#include <QList>
#include <string>

class CPRGFile
{
public:
    CPRGFile() = default;
    ~CPRGFile();
    CPRGFile(const CPRGFile &) = delete;
    CPRGFile &operator=(const CPRGFile &) = delete;

    int getJobCount() const { return jobs.size(); }
    // Out of range is a caller's bug: asserts in debug, null in release.
    CJob *getJob(int i) const;
    void addJob(CJob *job) { jobs.append(job); }
    void insertJob(int i, CJob *job) { jobs.insert(qBound(0, i, jobs.size()), job); }

    std::string name;
    std::string description;
    QList<CJob *> jobs;
};
