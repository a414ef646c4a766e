#pragma once
// A job together with one chosen result: the identity of one curve, one
// logged column or one gauge value.
#include "cjob.h"

class CJobResultPair
{
public:
    CJobResultPair() = default;
    CJobResultPair(const CJobResultPair &other);
    CJobResultPair &operator=(const CJobResultPair &other);

    // Same job display name and byte-equal result name; the ECU does not count.
    bool operator==(const CJobResultPair &other) const;
    bool operator!=(const CJobResultPair &other) const { return !(*this == other); }
    // By job display name, then by result name bytes (a prefix first).
    bool operator<(const CJobResultPair &other) const;

    QString getJobName() const { return job.getDisplayName(); }

    CJob job;
    std::string resultName;
    std::string resultDisplayName;
    std::string spare;
    CJobResult result;
};

Q_DECLARE_METATYPE(CJobResultPair)
