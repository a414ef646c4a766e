#include "chart3d.h"
#include "chart3daxes.h"
#include "chart3dscale.h"

#include <QElapsedTimer>
#include <QFontMetricsF>
#include <QMatrix4x4>

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

void Chart3D::heightRange(double zMin, double zMax, double *lo, double *hi)
{
    *lo = zMin;
    *hi = zMax;
    if (zMax > zMin)
        return;
    *lo = std::min(0.0, zMin);
    *hi = std::max(0.0, zMin);
    if (*lo == *hi)
        *hi = *lo + 1.0;
}

void Chart3D::calculateHull()
{
    Qwt3D::SurfacePlot::calculateHull();
    Qwt3D::ParallelEpiped box = hull();
    heightRange(box.minVertex.z, box.maxVertex.z, &box.minVertex.z, &box.maxVertex.z);
    setHull(box);
}

Chart3D::Chart3D(QWidget *parent)
    : Qwt3D::SurfacePlot(parent)
    , logger(KelvoLog::get("chart3d"))
{
    ++openCount();
    // The caption stands above the box: lower down, the numbers of the
    // axes and the caption were written over each other.
    setTitlePosition(TitleTop, 0.5, Qwt3D::TopCenter);
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

    // The numbers follow the view, turned or zoomed by mouse or keys.
    connect(this, &Qwt3D::Plot3D::rotationChanged, this, &Chart3D::decorate);
    connect(this, &Qwt3D::Plot3D::shiftChanged, this, &Chart3D::decorate);
    connect(this, &Qwt3D::Plot3D::vieportShiftChanged, this, &Chart3D::decorate);
    connect(this, &Qwt3D::Plot3D::scaleChanged, this, &Chart3D::decorate);
    connect(this, &Qwt3D::Plot3D::zoomChanged, this, &Chart3D::decorate);
    connect(this, &Qwt3D::Plot3D::projectionChanged, this, &Chart3D::decorate);
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
    double zLo = 0.0;
    double zHi = 0.0;
    heightRange(surface.zMin(), surface.zMax(), &zLo, &zHi);
    const AxisScale scale = axisScale(surface.xMax - surface.xMin, surface.yMax - surface.yMin, zHi - zLo);
    // The new scale is drawn with the new data, not before it.
    rebuilding = true;
    setUpdatesEnabled(false);
    setScale(scale.x, scale.y, scale.z);
    setUpdatesEnabled(true);
    // Hands the library the data and has it rebuild what it draws.
    loadFromData(surface.data(), surface.xPoints(), surface.yPoints(), surface.xMin, surface.xMax, surface.yMin,
                 surface.yMax);
    rebuilding = false;
    decorate();
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

QPointF Chart3D::project(const Qwt3D::Triple &point) const
{
    // The library's view: turned, scaled and zoomed about the box's centre,
    // fitted to the box's unscaled diagonal.
    Qwt3D::Plot3D *self = const_cast<Chart3D *>(this);
    const Qwt3D::Triple first = self->coordinates()->first();
    const Qwt3D::Triple second = self->coordinates()->second();
    const Qwt3D::Triple centre = first + (second - first) / 2;
    const double radius = (centre - first).length();
    QMatrix4x4 view;
    view.rotate(float(xRotation() - 90), 1, 0, 0);
    view.rotate(float(yRotation()), 0, 1, 0);
    view.rotate(float(zRotation()), 0, 0, 1);
    view.scale(float(zoom() * xScale()), float(zoom() * yScale()), float(zoom() * zScale()));
    view.translate(float(xShift() - centre.x), float(yShift() - centre.y), float(zShift() - centre.z));
    QMatrix4x4 projection;
    const float r = radius > 0 ? float(radius) : 1.0f;
    if (ortho())
        projection.ortho(-r, r, -r, r, 0, 40 * r);
    else
        projection.frustum(-r, r, -r, r, 5 * r, 400 * r);
    projection.translate(float(xViewportShift() * 2 * r), float(yViewportShift() * 2 * r), -7 * r);
    const QVector4D clip = (projection * view) * QVector4D(float(point.x), float(point.y), float(point.z), 1.0f);
    const double w = clip.w() != 0.0f ? double(clip.w()) : 1.0;
    const double ndcX = double(clip.x()) / w;
    const double ndcY = double(clip.y()) / w;
    return QPointF((ndcX + 1) / 2 * width(), (1 - (ndcY + 1) / 2) * height());
}

void Chart3D::decorate()
{
    if (rebuilding)
        return;
    Qwt3D::CoordinateSystem *system = coordinates();
    const Qwt3D::Triple first = system->first();
    const Qwt3D::Triple second = system->second();
    if (first == second)
        return;
    system->setAutoDecoration(false);
    Chart3DAxes::Corners corners;
    std::array<Qwt3D::Triple, 8> points;
    for (int i = 0; i < 8; ++i) {
        points[size_t(i)] = Qwt3D::Triple(i & 1 ? second.x : first.x, i & 2 ? second.y : first.y,
                                          i & 4 ? second.z : first.z);
        corners[size_t(i)] = project(points[size_t(i)]);
    }
    const std::array<Chart3DAxes::Edge, 3> chosen = Chart3DAxes::choose(corners);

    // The corner nearest to a point of the box.
    auto cornerOf = [&](const Qwt3D::Triple &p) {
        int best = 0;
        double distance = -1;
        for (int i = 0; i < 8; ++i) {
            const double d = (points[size_t(i)] - p).length();
            if (distance < 0 || d < distance) {
                best = i;
                distance = d;
            }
        }
        return best;
    };
    const double scales[3] = {xScale(), yScale(), zScale()};
    const double spans[3] = {second.x - first.x, second.y - first.y, second.z - first.z};
    // A major mark a fiftieth of the box's longest edge as drawn, whatever
    // the scale of the axis it points along: sized by the unscaled box, as
    // the library does, the marks along a short span reached across the
    // whole box and took their numbers out of the window.
    double edge = 0.0;
    for (int d = 0; d < 3; ++d)
        edge = std::max(edge, spans[d] * scales[d]);
    const double major = edge / 50.0;

    for (Qwt3D::Axis &axis : system->axes) {
        const int from = cornerOf(axis.begin());
        const int to = cornerOf(axis.end());
        const int along = from ^ to;
        const int direction = along == 1 ? 0 : along == 2 ? 1 : along == 4 ? 2 : -1;
        const Chart3DAxes::Edge *edgeOf = direction >= 0 ? &chosen[size_t(direction)] : nullptr;
        const bool shown = edgeOf && edgeOf->valid() && std::min(from, to) == edgeOf->from
            && std::max(from, to) == edgeOf->to;
        axis.setScaling(shown);
        axis.setNumbers(shown);
        axis.setLabel(shown);
        if (!shown)
            continue;
        // The marks point away from the box along whichever of the two
        // other axes is drawn closest to the outward direction.
        const QPointF start = corners[size_t(edgeOf->from)];
        Qwt3D::Triple orientation;
        double best = -2;
        for (int other = 0; other < 3; ++other) {
            if (other == direction)
                continue;
            const bool far = (edgeOf->from >> other) & 1;
            Qwt3D::Triple unit(other == 0, other == 1, other == 2);
            if (!far)
                unit = -1.0 * unit;
            const double step = spans[other] > 0 ? spans[other] / 10 : 1.0;
            QPointF drawn = project(points[size_t(edgeOf->from)] + unit * step) - start;
            const double len = std::hypot(drawn.x(), drawn.y());
            const double alignment = len > 0 ? QPointF::dotProduct(drawn / len, edgeOf->outward) : -1;
            if (alignment > best) {
                best = alignment;
                orientation = unit;
            }
        }
        axis.setTicOrientation(orientation);
        const double drawnLength = std::fabs(orientation.x) * scales[0] + std::fabs(orientation.y) * scales[1]
            + std::fabs(orientation.z) * scales[2];
        if (major > 0 && drawnLength > 0 && std::isfinite(major / drawnLength))
            axis.setTicLength(major / drawnLength, 0.6 * major / drawnLength);
        axis.setNumberAnchor(Qwt3D::ANCHOR(Chart3DAxes::anchorFor(edgeOf->outward)));

        // As many round numbers as fit side by side or one above the other.
        double lo = 0.0;
        double hi = 0.0;
        axis.limits(lo, hi);
        const QFontMetricsF metrics(axis.numberFont());
        double widest = 0.0;
        for (double v : Chart3DScale::numbers(lo, hi, MostIntervals))
            widest = std::max(widest, metrics.horizontalAdvance(Chart3DScale::text(v)));
        const QSizeF room(widest + metrics.averageCharWidth() * 2, metrics.height() * 1.3);
        axis.setAutoScale(false);
        axis.setScale(new Chart3DScale);
        axis.setMajors(Chart3DAxes::intervalsFor(corners[size_t(edgeOf->to)] - start, room, MostIntervals));
    }
    update();
}

void Chart3D::resizeGL(int w, int h)
{
    Qwt3D::SurfacePlot::resizeGL(w, h);
    decorate();
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
