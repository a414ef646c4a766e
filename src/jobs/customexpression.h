#pragma once
// One formula filed for a job: the result it produces, its text, a parser of
// its own and the value of its last run (none when that run failed).
#include <QString>
#include <deque>
#include <limits>
#include <muParser.h>
#include <string>
#include <vector>

class CustomExpression
{
public:
    CustomExpression(const QString &resultName, const QString &expression);
    CustomExpression(const CustomExpression &) = delete;
    CustomExpression &operator=(const CustomExpression &) = delete;

    QString resultName;
    QString expression;
    mu::Parser parser;
    // No number until the formula evaluates, and none after a run that
    // failed: such a run has no value to show, not a 0 or an older one.
    double value = std::numeric_limits<double>::quiet_NaN();

    // Why the parser refused the formula when it was given it; empty when it
    // took it. A refused formula is reported on every run.
    std::string loadError;
    // The values the parser's variables are bound to. They belong to the
    // record, so a binding never outlives its storage; every evaluation
    // clears the parser's variables before it binds the current job's.
    std::deque<double> variables;
    // The variable names of those bindings, in result order, and the error
    // texts of the names the parser refused. A job with the same names as
    // the last one only refreshes the values; the parser keeps its compiled
    // formula.
    std::vector<std::string> boundNames;
    std::vector<std::string> bindErrors;
};
