#pragma once
// The grid of the 2-D chart as a 3-D surface: X bins along one ground axis,
// Y bins along the other, the cell value as height. Fed cell by cell by a
// value table or the chart window; the surface is rebuilt by a 100 ms timer,
// at most once a tick and only when cells or the grid changed.
#include "chartvariables.h"
#include "kelvolog.h"

#include <QTimer>
#include <qwt3d_surfaceplot.h>
#include <vector>

class Chart3D : public Qwt3D::SurfacePlot
{
    Q_OBJECT
public:
    enum { TimerInterval = 100 };
    // Points along each axis of the drawn surface. A grid with more cells
    // along an axis is drawn in blocks of cells, one point per block, so
    // that a frame's work does not grow with the grid.
    enum { MaxSurfacePoints = 51 };
    // Intervals between the numbers of an axis where it has room for them.
    enum { MostIntervals = 6 };

    // The heights in the layout the surface library reads, data[x][y] with
    // x the point along X and y the point along Y, and where the library
    // puts each point. Up to MaxSurfacePoints cells along an axis every
    // cell is a point: X = xMin + c * (xMax - xMin) / cols, Y likewise.
    // Beyond that a point stands for a block of cells, sits where the
    // block's first cell does and takes the block's height of largest
    // magnitude, so that a single cell set in a sparse grid still shows.
    class Surface
    {
    public:
        // Sizes the points for the grid, all at height 0.
        void reset(const ChartVariables &vars);
        // The point of the cell needs its height taken again.
        void markCell(int row, int col);
        // Takes the heights of the marked points from a table of
        // (rows + 1) x (cols + 1) values indexed [row * (cols + 1) + col].
        void refresh(const std::vector<double> &table);
        // Every point at height 0 again.
        void clear();
        // reset() and every point taken from the table.
        void build(const ChartVariables &vars, const std::vector<double> &table);

        unsigned xPoints() const { return nx; }
        unsigned yPoints() const { return ny; }
        // Cells along X and Y that one point stands for.
        unsigned xBlock() const { return bx; }
        unsigned yBlock() const { return by; }
        double x(unsigned c) const { return nx > 1 ? xMin + c * (xMax - xMin) / (nx - 1) : xMin; }
        double y(unsigned r) const { return ny > 1 ? yMin + r * (yMax - yMin) / (ny - 1) : yMin; }
        double z(unsigned c, unsigned r) const { return columns[c][r]; }
        double **data() { return columns.data(); }
        // The lowest and highest height.
        double zMin() const;
        double zMax() const;

        double xMin = 0.0;
        double xMax = 0.0;
        double yMin = 0.0;
        double yMax = 0.0;

    private:
        void take(unsigned c, unsigned r, const std::vector<double> &table);

        unsigned cellsX = 0; // cols + 1
        unsigned cellsY = 0; // rows + 1
        unsigned bx = 1;
        unsigned by = 1;
        unsigned nx = 0;
        unsigned ny = 0;
        std::vector<double> heights;
        std::vector<double *> columns;
        std::vector<bool> marked;
        std::vector<unsigned> markedPoints; // c * ny + r
    };

    // The scale of the three axes that makes the surface fill a cube
    // whatever the spans of X, Y and Z: each axis is stretched or shrunk to
    // one common length, chosen so that the box's diagonal is BoxShare of
    // the unscaled data's (the library fits its view to that; the rest is
    // room for the numbers along the axes). An axis without a
    // span (a flat surface, equal limits) or one whose factor would not be
    // a finite number keeps scale 1.
    static constexpr double BoxShare = 0.8;
    struct AxisScale
    {
        double x = 1.0;
        double y = 1.0;
        double z = 1.0;
    };
    static AxisScale axisScale(double xSpan, double ySpan, double zSpan);
    // The heights the Z axis spans: the surface's lowest to highest, and
    // for a flat surface from 0 to its height (0 to 1 at height 0), so that
    // its numbers still say how high it is.
    static void heightRange(double zMin, double zMax, double *lo, double *hi);

    explicit Chart3D(QWidget *parent = nullptr);
    ~Chart3D() override;

    // Where the caption's top stands, a share of the height from the bottom.
    static constexpr double TitleTop = 0.98;
    // The plot's caption, also the window's title.
    void setTitle(const QString &text);
    QString title() const { return titleText; }

    // Takes the grid; every cell starts at 0.
    void setChVars(const ChartVariables &vars);
    const ChartVariables &chartVariables() const { return chVars; }
    // The value of a cell of the table, 0 outside it.
    double cellValue(int row, int col) const;
    const std::vector<double> &table() const { return values; }
    QTimer &redrawTimer() { return timer; }
    // How often the surface was handed to the library.
    int rebuildCount() const { return rebuilds; }

public slots:
    void onChartVarsUpdated(const ChartVariables &vars);
    void onValueRowSet(int row, int col, qreal cellValue);

protected slots:
    // Rebuilds and redraws the surface now if cells or the grid changed.
    void timerFunc();

protected:
    void paintGL() override;
    void resizeGL(int w, int h) override;
    // The data's box, with a span of heights also for a flat surface.
    void calculateHull() override;

private:
    // Puts the numbers of each axis along one edge of the box as it is
    // drawn now (Chart3DAxes), pointing away from the box, with as many
    // round numbers as the edge has room for; called again whenever the
    // view or the box changes.
    void decorate();
    // Where a point of the data's space is drawn in the widget, y down.
    QPointF project(const Qwt3D::Triple &point) const;
    void initTable();
    void deleteTable();
    // Hands the library the surface if cells or the grid changed; true when
    // it did.
    bool rebuild();
    // The timer's tick: a rebuild, painted with the next paint event, at
    // most once a tick and only when something changed. What a window
    // spends on rebuilding and painting is followed by a rest as long for
    // each 3-D window open and once more for the rest of the program, and
    // no window starts before the last work of any has been matched once,
    // so that a slow renderer delays the surfaces, not the program.
    void onTick();
    void spend(qint64 ms);
    static qint64 monotonicMs();
    static int &openCount();
    static qint64 &anyRestUntil();

    ChartVariables chVars;
    std::vector<double> values;
    // The cells of values set since the grid was taken (each once), so
    // that a new grid of the same size clears only them.
    std::vector<unsigned> setCells;
    std::vector<bool> isSet;
    Surface surface;
    QTimer timer;
    log4cplus::Logger logger;
    QString titleText;
    bool changed = true;
    bool rebuilding = false;
    int rebuilds = 0;
    qint64 restUntil = 0; // monotonicMs() before which the tick does not rebuild
};
