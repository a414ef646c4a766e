#include "basic2dchartutils.h"

#include "cjob.h"
#include "cjobresult.h"
#include "exactnumber.h"
#include "latin1.h"

#include <cmath>
#include <locale>
#include <sstream>

QString Basic2DChartUtils::resultKey(const CJob &job, const CJobResult &result)
{
    const QString key = job.getDisplayName() + QLatin1Char('.') + Latin1::toQString(result.name);
    if (job.ecuName.empty())
        return key;
    return key + QStringLiteral(" (") + Latin1::toQString(job.ecuName) + QLatin1Char(')');
}

bool Basic2DChartUtils::resultNumber(const CJobResult &result, double &value)
{
    if (ExactNumber::resultValue(result, value))
        return true;
    if (result.format == 7 || result.typeName == "string")
        return false;
    return leadingNumber(result.textValue, value);
}

bool Basic2DChartUtils::leadingNumber(const char *text, double &value)
{
    value = 0.0;
    std::istringstream in(text);
    in.imbue(std::locale::classic());
    double v = 0.0;
    if (!(in >> v) || !std::isfinite(v))
        return false;
    value = v;
    return true;
}

bool Basic2DChartUtils::isWhole(double value)
{
    return std::isfinite(value) && std::trunc(value) == value;
}

QString Basic2DChartUtils::cellText(float value)
{
    if (isWhole(double(value)))
        return QString::number(double(value), 'g', 10);
    return QString::number(double(value), 'f', 2);
}

QString Basic2DChartUtils::axisLabel(double value, double step)
{
    if (isWhole(value) || !std::isfinite(value) || step == 0.0 || !std::isfinite(step))
        return QString::number(value, 'g', 10);
    for (int decimals = 1; decimals <= 10; ++decimals) {
        const QString text = QString::number(value, 'f', decimals);
        const double next = double(text.toFloat()) + step;
        if (QString::number(next, 'f', decimals) != text)
            return text;
    }
    return QString::number(value, 'g', 10);
}
