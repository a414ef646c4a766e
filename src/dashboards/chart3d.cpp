#include "chart3d.h"

#include <cmath>

void Chart3D::Surface::build(const ChartVariables &vars, const std::vector<double> &table)
{
    nx = unsigned(vars.cols) + 1;
    ny = unsigned(vars.rows) + 1;
    xMin = vars.xMin;
    xMax = vars.xMax;
    yMin = vars.yMin;
    yMax = vars.yMax;
    heights.resize(size_t(nx) * ny);
    columns.resize(nx);
    for (unsigned c = 0; c < nx; ++c) {
        double *column = heights.data() + size_t(c) * ny;
        columns[c] = column;
        for (unsigned r = 0; r < ny; ++r) {
            const size_t cell = size_t(r) * nx + c;
            const double v = cell < table.size() ? table[cell] : 0.0;
            // The library scales its axes from the heights: an infinite one
            // would leave it no range to draw.
            column[r] = std::isfinite(v) ? v : 0.0;
        }
    }
}

Chart3D::Chart3D(QWidget *parent)
    : Qwt3D::SurfacePlot(parent)
    , logger(KelvoLog::get("chart3d"))
{
    setTitle(QStringLiteral("3D Plot"));
    chVars.rows = 1;
    chVars.cols = 1;
    chVars.xMin = 0;
    chVars.xMax = 100;
    chVars.yMin = 0;
    chVars.yMax = 100;
    initTable();

    setRotation(30, 0, 15);
    setScale(1, 1, 1);
    setShift(0.15, 0, 0);
    setZoom(0.9);
    setSmoothMesh(true);
    setShading(Qwt3D::GOURAUD);

    coordinates()->setNumberFont(QStringLiteral("Arial"), 10, QFont::Normal, false);
    for (unsigned i = 0; i != coordinates()->axes.size(); ++i) {
        coordinates()->axes[i].setMajors(6);
        coordinates()->axes[i].setMinors(6);
    }
    auto setLabels = [this]() {
        coordinates()->axes[Qwt3D::X1].setLabelString(QStringLiteral("x-axis"));
        coordinates()->axes[Qwt3D::Y1].setLabelString(QStringLiteral("y-axis"));
        coordinates()->axes[Qwt3D::Z1].setLabelString(QStringLiteral("z-axis"));
    };
    setLabels();

    setPlotStyle(Qwt3D::FILLEDMESH);
    setRotation(30, 0, 15);
    setViewportShift(0.05, 0);
    setScale(1, 1, 1);
    setZoom(0.95);
    setCoordinateStyle(Qwt3D::BOX);

    connect(&timer, &QTimer::timeout, this, &Chart3D::timerFunc);
    timer.start(TimerInterval);
    setLabels();
    coordinates()->setAutoScale(true);
    timerFunc();
}

void Chart3D::setTitle(const QString &text)
{
    titleText = text;
    Qwt3D::SurfacePlot::setTitle(text);
    setWindowTitle(text);
}

Chart3D::~Chart3D()
{
    timer.stop();
    deleteTable();
}

void Chart3D::initTable()
{
    LOG4CPLUS_DEBUG_FMT(logger, ">initTable(),rows=%d,cols=%d", chVars.rows, chVars.cols);
    values.assign(size_t(chVars.rows + 1) * size_t(chVars.cols + 1), 0.0);
    changed = true;
    LOG4CPLUS_DEBUG(logger, "<initTable()");
}

void Chart3D::deleteTable()
{
    LOG4CPLUS_DEBUG_FMT(logger, ">deleteTable(),rows:%d,cols:%d", chVars.rows, chVars.cols);
    std::vector<double>().swap(values);
    LOG4CPLUS_DEBUG(logger, "<deleteTable()");
}

void Chart3D::setChVars(const ChartVariables &vars)
{
    timer.stop();
    deleteTable();
    chVars = vars.bounded();
    initTable();
    timer.start(TimerInterval);
}

void Chart3D::onChartVarsUpdated(const ChartVariables &vars)
{
    setChVars(vars);
    LOG4CPLUS_DEBUG_FMT(logger, "onChartVarsUpdated,rows:%d, cols:%d Xmin:%f Xmax:%f Ymin:%f Ymax:%f", chVars.rows,
                        chVars.cols, chVars.xMin, chVars.xMax, chVars.yMin, chVars.yMax);
}

double Chart3D::cellValue(int row, int col) const
{
    if (row < 0 || col < 0 || row > chVars.rows || col > chVars.cols)
        return 0.0;
    return values[size_t(row) * size_t(chVars.cols + 1) + size_t(col)];
}

void Chart3D::onValueRowSet(int row, int col, qreal cellValue)
{
    LOG4CPLUS_DEBUG_FMT(logger, ">onValueRowSet:%d,%d,%f", row, col, cellValue);
    if (row < 0 || col < 0 || row > chVars.rows || col > chVars.cols)
        return;
    values[size_t(row) * size_t(chVars.cols + 1) + size_t(col)] = cellValue;
    changed = true;
    LOG4CPLUS_DEBUG(logger, "<onValueRowSet");
}

void Chart3D::timerFunc()
{
    if (!changed)
        return;
    LOG4CPLUS_DEBUG_FMT(logger, " rows:%d,cols:%d,xmin:%f,xmax:%f,ymin:%f,ymax:%f", chVars.rows, chVars.cols,
                        chVars.xMin, chVars.xMax, chVars.yMin, chVars.yMax);
    changed = false;
    // A grid with one point along an axis or without a span along it has
    // no surface; the library is not handed such a degenerate grid.
    if (!chVars.hasArea())
        return;
    surface.build(chVars, values);
    loadFromData(surface.data(), surface.xPoints(), surface.yPoints(), surface.xMin, surface.xMax, surface.yMin,
                 surface.yMax);
    ++rebuilds;
    updateData();
    updateGL();
}
