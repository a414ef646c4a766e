#pragma once
// The grid of the 2-D chart: how many bins along X (cols) and Y (rows) and
// the limits they divide. Shared by the chart window, its value tables and
// the 3-D surfaces, which all bin a sample with cellOf().
#include <QMetaType>

class ChartVariables
{
public:
    // Larger grids only exhaust memory: the tables and surfaces have
    // (rows + 1) x (cols + 1) cells.
    enum { MaxBins = 1000 };

    int rows = 0;
    int cols = 0;
    double xMax = 0.0;
    double yMax = 0.0;
    double xMin = 0.0;
    double yMin = 0.0;

    // A bin count as the grid takes it: below 0 counts as 0, above MaxBins
    // as MaxBins.
    static int boundedBins(int bins);
    // The same record with both bin counts bounded.
    ChartVariables bounded() const;

    // Width of one bin: the span taken to single precision, divided (in
    // double) by the number of bins; 0 for a grid without bins.
    static double step(double min, double max, int bins);
    double xStep() const { return step(xMin, xMax, cols); }
    double yStep() const { return step(yMin, yMax, rows); }

    // The bin a value falls into, (value - min) / step truncated toward
    // zero; false when the quotient is not finite or not an int (no bins,
    // equal limits, a non-finite value). Bins outside 0..bins are given as
    // they are: the caller decides what lies outside its grid.
    static bool binOf(double value, double min, double step, int *bin);
    // The cell of a sample; false, with col and row -1, when either axis
    // has no bin for it.
    bool cellOf(double x, double y, int *col, int *row) const;
    // Whether a surface over the grid has an area: at least one bin along
    // each axis and finite, distinct limits whose bins have a width.
    bool hasArea() const;

    bool operator==(const ChartVariables &other) const;
    bool operator!=(const ChartVariables &other) const { return !(*this == other); }
};

Q_DECLARE_METATYPE(ChartVariables)
