#include "expressionevaluator.h"

#include "cjob.h"
#include "customexpression.h"
#include "latin1.h"

#include <limits>
#include <QDebug>
#include <QVector>

ExpressionEvaluator::~ExpressionEvaluator()
{
    qDeleteAll(table);
}

QString ExpressionEvaluator::keyOf(const CJob &job)
{
    return Latin1::toQString(job.ecuName) + QLatin1Char(',') + job.getDisplayName();
}

std::string ExpressionEvaluator::variableName(const std::string &resultName)
{
    std::string name;
    name.reserve(resultName.size());
    for (const char c : resultName) {
        if (c != '[' && c != ']')
            name += c;
    }
    return name;
}

void ExpressionEvaluator::addExpression(CJob &job, QString resultName, QString expression)
{
    qDebug() << ">addExpression:" << job.getDisplayName() << resultName << expression;
    auto *record = new CustomExpression(resultName, expression);
    const QString key = keyOf(job);
    qDebug() << "key:" << key;
    table.insert(key, record);
    qDebug() << "<addExpression:";
}

namespace {
CJobResult errorResult(const std::string &name)
{
    CJobResult r;
    r.name = name;
    r.format = 8;
    r.realValue = 0;
    return r;
}

// muParser reports the formula with the blank it appends to every
// expression; the user wrote it without.
std::string reportedFormula(std::string expr)
{
    if (!expr.empty() && expr.back() == ' ')
        expr.pop_back();
    return expr;
}

// What a result contributes to formulas: an integer result carries its value
// in intValue only.
double formulaValue(const CJobResult &r)
{
    if (r.format == 2)
        return r.intValue;
    return r.realValue;
}
}

QList<CustomExpression *> &ExpressionEvaluator::evaluate(CJob &job)
{
    evaluated.clear();
    const QString key = keyOf(job);
    if (!table.contains(key))
        return evaluated;

    std::vector<std::string> names;
    names.reserve(size_t(job.results.size()));
    for (const CJobResult &r : job.results)
        names.push_back(variableName(r.name));

    QVector<CJobResult> errors;
    const QList<CustomExpression *> records = table.values(key); // most recently filed first
    for (CustomExpression *record : records) {
        if (!record->loadError.empty()) {
            errors.append(errorResult(record->loadError));
            evaluated.append(record);
            continue;
        }
        if (names == record->boundNames) {
            // The same names as last run: the bindings stand, refresh values.
            for (int i = 0; i < job.results.size(); ++i)
                record->variables[size_t(i)] = formulaValue(job.results.at(i));
        } else {
            // Start from no variables at all, so that a name the previous job
            // had and this one lacks is undefined, not read through a stale
            // binding.
            record->parser.ClearVar();
            record->variables.clear();
            record->bindErrors.clear();
            for (int i = 0; i < job.results.size(); ++i) {
                record->variables.push_back(formulaValue(job.results.at(i)));
                const std::string &var = names[size_t(i)];
                try {
                    record->parser.DefineVar(var, &record->variables.back());
                } catch (const mu::Parser::exception_type &e) {
                    record->bindErrors.push_back(Latin1::toStd(record->resultName) + ":" + e.GetMsg() + var + ":");
                }
            }
            record->boundNames = names;
        }
        for (const std::string &e : record->bindErrors)
            errors.append(errorResult(e));
        try {
            record->value = record->parser.Eval();
        } catch (const mu::Parser::exception_type &e) {
            errors.append(errorResult(e.GetMsg() + ":" + reportedFormula(e.GetExpr())));
            // The last run's value beside this run's inputs would be a
            // reading that never happened: this run has none.
            record->value = std::numeric_limits<double>::quiet_NaN();
        }
        evaluated.append(record);
    }
    for (const CJobResult &e : errors)
        job.addResult(e);
    return evaluated;
}
