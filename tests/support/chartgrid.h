#pragma once
// A grid of the 2-D chart in one line, for the chart tests.
#include "chartvariables.h"

inline ChartVariables chartGrid(int rows, int cols, double xMin, double xMax, double yMin, double yMax)
{
    ChartVariables v;
    v.rows = rows;
    v.cols = cols;
    v.xMin = xMin;
    v.xMax = xMax;
    v.yMin = yMin;
    v.yMax = yMax;
    return v;
}
