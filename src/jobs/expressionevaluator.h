#pragma once
// Custom formulas filed by job (ECU name "," display name) and evaluated with
// muParser over the results of a finished job.
#include <QList>
#include <QMultiHash>
#include <QString>

class CJob;
class CustomExpression;

class ExpressionEvaluator
{
public:
    ExpressionEvaluator() = default;
    virtual ~ExpressionEvaluator();
    ExpressionEvaluator(const ExpressionEvaluator &) = delete;
    ExpressionEvaluator &operator=(const ExpressionEvaluator &) = delete;

    void addExpression(CJob &job, QString resultName, QString expression);

    // Evaluates every formula filed for the job, most recently filed first,
    // appends the error results of this run to the job and returns the
    // evaluated records in evaluation order.
    QList<CustomExpression *> &evaluate(CJob &job);

    static QString keyOf(const CJob &job);
    // The variable name of a result: its name without "[" and "]".
    static std::string variableName(const std::string &resultName);
    int expressionCount() const { return table.size(); }

private:
    QList<CustomExpression *> evaluated;
    QMultiHash<QString, CustomExpression *> table;
};
