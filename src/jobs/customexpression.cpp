#include "customexpression.h"

#include "latin1.h"

CustomExpression::CustomExpression(const QString &resultName, const QString &expression)
    : resultName(resultName), expression(expression)
{
    try {
        parser.SetExpr(Latin1::toStd(expression));
    } catch (const mu::Parser::exception_type &e) {
        // Reported on every run of the job, like a formula that fails then.
        loadError = e.GetMsg() + ":" + Latin1::toStd(expression);
    }
}
