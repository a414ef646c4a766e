#pragma once
// The custom formulas of "config/customexpressions.xml", read once, and
// appended as "real" results to every job they are filed for.
#include "expressionevaluator.h"

#include <QList>
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

    // One formula as the file files it: the ECU and job it is applied to
    // and the result it gives.
    struct Filing
    {
        QString ecu;
        QString job;
        QString resultName;
    };
    // Every formula read, in the file's order: a window that shows computed
    // results can tell which ECU brings them.
    QList<Filing> filings() const { return filed; }

    ExpressionEvaluator &evaluator() { return eval; }
    QString fileName() const { return configFile; }

private:
    ExpressionEvaluator eval;
    QString configFile;
    QList<Filing> filed;
    log4cplus::Logger logger;
};
