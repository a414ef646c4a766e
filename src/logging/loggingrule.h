#pragma once
// The start/stop rule of a data logger: logging runs while the watched value
// lies inside the range (minimum < value <= maximum with the window's rule).
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

    bool matches(double actual) const { return lower.holds(actual) && upper.holds(actual); }
};

Q_DECLARE_METATYPE(LoggingRule)
