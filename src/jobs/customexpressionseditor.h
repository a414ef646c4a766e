#pragma once
// The custom formulas of "config/customexpressions.xml", read once, and
// appended as "real" results to every job they are filed for.
#include "expressionevaluator.h"

#include <QString>
#include <log4cplus/logger.h>

class CJob;

class CustomExpressionsEditor
{
public:
    CustomExpressionsEditor();
    virtual ~CustomExpressionsEditor();
    CustomExpressionsEditor(const CustomExpressionsEditor &) = delete;
    CustomExpressionsEditor &operator=(const CustomExpressionsEditor &) = delete;

    // Reads the file and files every formula; a missing file leaves none.
    void loadConfig();
    // The same from the file's bytes.
    void loadConfig(const QByteArray &xml);
    // After a run: the job's own results, then this run's error results,
    // then one "real" result per formula of the job in evaluation order.
    void applyExpressions(CJob &job);

    ExpressionEvaluator &evaluator() { return eval; }
    QString fileName() const { return configFile; }

private:
    ExpressionEvaluator eval;
    QString configFile;
    log4cplus::Logger logger;
};
