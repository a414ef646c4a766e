#pragma once
// One bound of a logging rule: type 1 "Larger" holds when the actual value
// is greater than the value; any other type "Smaller" holds when it is less
// than or equal to it.
class RuleCondition
{
public:
    enum { Smaller = 0, Larger = 1 };
    double value = 0.0;
    int type = Smaller;

    bool holds(double actual) const { return type == Larger ? actual > value : actual <= value; }
};
