#include "chartvariables.h"

#include <QtGlobal>
#include <cmath>
#include <limits>

int ChartVariables::boundedBins(int bins)
{
    return qBound(0, bins, int(MaxBins));
}

ChartVariables ChartVariables::bounded() const
{
    ChartVariables copy = *this;
    copy.rows = boundedBins(rows);
    copy.cols = boundedBins(cols);
    return copy;
}

double ChartVariables::step(double min, double max, int bins)
{
    if (bins <= 0)
        return 0.0;
    return double(float(max - min)) / bins;
}

bool ChartVariables::binOf(double value, double min, double step, int *bin)
{
    if (step == 0.0 || !std::isfinite(step))
        return false;
    const double quotient = std::trunc((value - min) / step);
    // Converting a quotient outside int's range is undefined: such a sample
    // has no cell, like one far outside the grid.
    if (!std::isfinite(quotient) || quotient < double(std::numeric_limits<int>::min())
        || quotient > double(std::numeric_limits<int>::max()))
        return false;
    *bin = int(quotient);
    return true;
}

bool ChartVariables::cellOf(double x, double y, int *col, int *row) const
{
    if (binOf(x, xMin, xStep(), col) && binOf(y, yMin, yStep(), row))
        return true;
    *col = -1;
    *row = -1;
    return false;
}

bool ChartVariables::hasArea() const
{
    auto spans = [](double min, double max, double step) {
        return std::isfinite(min) && std::isfinite(max) && step != 0.0 && std::isfinite(step);
    };
    return rows > 0 && cols > 0 && spans(xMin, xMax, xStep()) && spans(yMin, yMax, yStep());
}

bool ChartVariables::operator==(const ChartVariables &o) const
{
    return rows == o.rows && cols == o.cols && xMax == o.xMax && yMax == o.yMax && xMin == o.xMin
        && yMin == o.yMin;
}
