#include "chart3d.h"

#include <QElapsedTimer>

#include <algorithm>
#include <cmath>

namespace {
// Cells along an axis for each point, so that at most MaxSurfacePoints
// points stand for the cells.
unsigned blockFor(unsigned cells)
{
    const unsigned most = Chart3D::MaxSurfacePoints;
    return cells > most ? (cells + most - 1) / most : 1;
}
} // namespace

void Chart3D::Surface::reset(const ChartVariables &vars)
{
    cellsX = unsigned(vars.cols) + 1;
    cellsY = unsigned(vars.rows) + 1;
    bx = blockFor(cellsX);
    by = blockFor(cellsY);
    nx = (cellsX + bx - 1) / bx;
    ny = (cellsY + by - 1) / by;
    // The last point sits at the first cell of the last block, which is
    // the far limit itself when the blocks divide the cells evenly.
    xMin = vars.xMin;
    yMin = vars.yMin;
    xMax = vars.cols > 0 ? vars.xMin + double((nx - 1) * bx) * (vars.xMax - vars.xMin) / vars.cols : vars.xMax;
    yMax = vars.rows > 0 ? vars.yMin + double((ny - 1) * by) * (vars.yMax - vars.yMin) / vars.rows : vars.yMax;
    heights.assign(size_t(nx) * ny, 0.0);
    columns.resize(nx);
    for (unsigned c = 0; c < nx; ++c)
        columns[c] = heights.data() + size_t(c) * ny;
    marked.assign(size_t(nx) * ny, false);
    markedPoints.clear();
}

void Chart3D::Surface::markCell(int row, int col)
{
    if (row < 0 || col < 0 || unsigned(col) >= cellsX || unsigned(row) >= cellsY)
        return;
    const unsigned point = unsigned(col) / bx * ny + unsigned(row) / by;
    if (marked[point])
        return;
    marked[point] = true;
    markedPoints.push_back(point);
}

void Chart3D::Surface::take(unsigned c, unsigned r, const std::vector<double> &table)
{
    double height = 0.0;
    const unsigned colEnd = std::min(cellsX, (c + 1) * bx);
    const unsigned rowEnd = std::min(cellsY, (r + 1) * by);
    for (unsigned row = r * by; row < rowEnd; ++row) {
        for (unsigned col = c * bx; col < colEnd; ++col) {
            const size_t cell = size_t(row) * cellsX + col;
            const double v = cell < table.size() ? table[cell] : 0.0;
            // The library scales its axes from the heights: an infinite one
            // would leave it no range to draw.
            if (std::isfinite(v) && std::fabs(v) > std::fabs(height))
                height = v;
        }
    }
    columns[c][r] = height;
}

void Chart3D::Surface::refresh(const std::vector<double> &table)
{
    for (unsigned point : markedPoints) {
        marked[point] = false;
        take(point / ny, point % ny, table);
    }
    markedPoints.clear();
}

void Chart3D::Surface::clear()
{
    std::fill(heights.begin(), heights.end(), 0.0);
    for (unsigned point : markedPoints)
        marked[point] = false;
    markedPoints.clear();
}

void Chart3D::Surface::build(const ChartVariables &vars, const std::vector<double> &table)
{
    reset(vars);
    for (unsigned c = 0; c < nx; ++c)
        for (unsigned r = 0; r < ny; ++r)
            take(c, r, table);
}

double Chart3D::Surface::zMin() const
{
    return heights.empty() ? 0.0 : *std::min_element(heights.begin(), heights.end());
}

double Chart3D::Surface::zMax() const
{
    return heights.empty() ? 0.0 : *std::max_element(heights.begin(), heights.end());
}

Chart3D::AxisScale Chart3D::axisScale(double xSpan, double ySpan, double zSpan)
{
    const double spans[3] = {xSpan, ySpan, zSpan};
    auto counts = [](double span) { return std::isfinite(span) && span > 0.0; };
    double largest = 0.0;
    for (double span : spans)
        if (counts(span))
            largest = std::max(largest, span);
    AxisScale scale;
    if (largest == 0.0)
        return scale;
    // The common length is a share of the diagonal of the data: the view is
    // fitted to the data's own extent, and the scaled box and the numbers
    // around it must fit it as well.
    double sum = 0.0;
    int n = 0;
    for (double span : spans) {
        if (counts(span)) {
            sum += (span / largest) * (span / largest);
            ++n;
        }
    }
    const double length = BoxShare * largest * std::sqrt(sum / n);
    auto factor = [&](double span) {
        const double f = length / span;
        return counts(span) && std::isfinite(f) && f > 0.0 ? f : 1.0;
    };
    scale.x = factor(xSpan);
    scale.y = factor(ySpan);
    scale.z = factor(zSpan);
    return scale;
}

Chart3D::Chart3D(QWidget *parent)
    : Qwt3D::SurfacePlot(parent)
    , logger(KelvoLog::get("chart3d"))
{
    ++openCount();
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

    connect(&timer, &QTimer::timeout, this, &Chart3D::onTick);
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
    --openCount();
    timer.stop();
    deleteTable();
}

void Chart3D::initTable()
{
    LOG4CPLUS_DEBUG_FMT(logger, ">initTable(),rows=%d,cols=%d", chVars.rows, chVars.cols);
    const size_t cells = size_t(chVars.rows + 1) * size_t(chVars.cols + 1);
    if (values.size() == cells) {
        // The same size (AutoScale moving the limits): only the cells set
        // go back to 0, however large the grid.
        for (unsigned cell : setCells) {
            values[cell] = 0.0;
            isSet[cell] = false;
        }
    } else {
        values.assign(cells, 0.0);
        values.shrink_to_fit();
        isSet.assign(cells, false);
        isSet.shrink_to_fit();
    }
    setCells.clear();
    surface.reset(chVars);
    changed = true;
    LOG4CPLUS_DEBUG(logger, "<initTable()");
}

void Chart3D::deleteTable()
{
    LOG4CPLUS_DEBUG_FMT(logger, ">deleteTable(),rows:%d,cols:%d", chVars.rows, chVars.cols);
    std::vector<double>().swap(values);
    std::vector<bool>().swap(isSet);
    std::vector<unsigned>().swap(setCells);
    LOG4CPLUS_DEBUG(logger, "<deleteTable()");
}

void Chart3D::setChVars(const ChartVariables &vars)
{
    chVars = vars.bounded();
    initTable();
    // The timer keeps its beat: restarting it on every change would hold
    // the surface back for as long as AutoScale keeps widening the limits.
    if (!timer.isActive())
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
    const size_t cell = size_t(row) * size_t(chVars.cols + 1) + size_t(col);
    values[cell] = cellValue;
    if (!isSet[cell]) {
        isSet[cell] = true;
        setCells.push_back(unsigned(cell));
    }
    surface.markCell(row, col);
    changed = true;
    LOG4CPLUS_DEBUG(logger, "<onValueRowSet");
}

void Chart3D::timerFunc()
{
    if (rebuild())
        updateGL();
}

bool Chart3D::rebuild()
{
    if (!changed)
        return false;
    LOG4CPLUS_DEBUG_FMT(logger, " rows:%d,cols:%d,xmin:%f,xmax:%f,ymin:%f,ymax:%f", chVars.rows, chVars.cols,
                        chVars.xMin, chVars.xMax, chVars.yMin, chVars.yMax);
    changed = false;
    // A grid with one point along an axis or without a span along it has
    // no surface; the library is not handed such a degenerate grid.
    if (!chVars.hasArea())
        return false;
    QElapsedTimer took;
    took.start();
    surface.refresh(values);
    const AxisScale scale = axisScale(surface.xMax - surface.xMin, surface.yMax - surface.yMin,
                                      surface.zMax() - surface.zMin());
    // The new scale is drawn with the new data, not before it.
    setUpdatesEnabled(false);
    setScale(scale.x, scale.y, scale.z);
    setUpdatesEnabled(true);
    // Hands the library the data and has it rebuild what it draws.
    loadFromData(surface.data(), surface.xPoints(), surface.yPoints(), surface.xMin, surface.xMax, surface.yMin,
                 surface.yMax);
    ++rebuilds;
    spend(took.elapsed());
    return true;
}

void Chart3D::onTick()
{
    // Until this window's last work has been matched by as much time for
    // each window open and for everything else, and while any window's
    // last work has not been matched once, the changes wait for a later
    // tick: the windows take turns instead of piling up in one pass.
    const qint64 now = monotonicMs();
    if (changed && (now < restUntil || now < anyRestUntil()))
        return;
    if (rebuild())
        update();
}

void Chart3D::paintGL()
{
    QElapsedTimer took;
    took.start();
    Qwt3D::SurfacePlot::paintGL();
    spend(took.elapsed());
}

qint64 Chart3D::monotonicMs()
{
    static QElapsedTimer clock;
    if (!clock.isValid())
        clock.start();
    return clock.elapsed();
}

int &Chart3D::openCount()
{
    static int count = 0;
    return count;
}

qint64 &Chart3D::anyRestUntil()
{
    static qint64 until = 0;
    return until;
}

void Chart3D::spend(qint64 ms)
{
    const qint64 now = monotonicMs();
    restUntil = std::max(restUntil, now + ms * (openCount() + 1));
    anyRestUntil() = std::max(anyRestUntil(), now + ms);
}
