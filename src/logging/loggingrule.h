#pragma once
// The start/stop rule of a data logger: logging runs while the watched value
// lies inside the range (minimum < value <= maximum with the window's rule).
#include "cjobresultpair.h"
#include "latin1.h"
#include "rulecondition.h"

#include <QMetaType>
#include <string>

class LoggingRule
{
public:
    RuleCondition lower{0.0, RuleCondition::Larger};
    RuleCondition upper{0.0, RuleCondition::Smaller};
    bool active = false;
    std::string resultName;
    std::string jobName; // the job's display name
    // The watched job's ECU, and its arguments (they count where two logged
    // jobs differ only by them).
    std::string ecuName;
    std::string arguments;

    // Watches that result of that job.
    void watch(const CJobResultPair &pair)
    {
        jobName = Latin1::toStd(pair.job.getDisplayName());
        ecuName = pair.job.ecuName;
        arguments = pair.job.arguments;
        resultName = pair.resultName;
    }
    // The watched job as the logger's columns name it.
    CJob job() const
    {
        CJob j(ecuName, jobName);
        j.arguments = arguments;
        return j;
    }
    bool matches(double actual) const { return lower.holds(actual) && upper.holds(actual); }
};

Q_DECLARE_METATYPE(LoggingRule)
