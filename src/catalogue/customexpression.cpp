#include "customexpression.h"

#include "latin1.h"

CustomExpression::CustomExpression(const QString &resultName, const QString &expression)
    : resultName(resultName), expression(expression)
{
    try {
        parser.SetExpr(Latin1::toStd(expression));
    } catch (const mu::Parser::exception_type &e) {
        loadError = e.GetMsg() + ":" + e.GetExpr();
        if (loadError.size() == e.GetMsg().size() + 1)
            loadError += Latin1::toStd(expression);
    }
}
