#pragma once
// The grid of the 2-D chart as a 3-D surface: X bins along one ground axis,
// Y bins along the other, the cell value as height. Fed cell by cell by a
// value table or the chart window; the surface is rebuilt by a 100 ms timer
// when cells changed.
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

    // The heights in the layout the surface library reads, data[x][y] with
    // x the column and y the row of the table, and where the library puts
    // each grid point: X = xMin + c * (xMax - xMin) / cols, Y likewise.
    class Surface
    {
    public:
        // From a table of (rows + 1) x (cols + 1) values indexed
        // [row * (cols + 1) + col].
        void build(const ChartVariables &vars, const std::vector<double> &table);
        unsigned xPoints() const { return nx; }
        unsigned yPoints() const { return ny; }
        double x(unsigned c) const { return xMin + c * (xMax - xMin) / (nx - 1); }
        double y(unsigned r) const { return yMin + r * (yMax - yMin) / (ny - 1); }
        double z(unsigned c, unsigned r) const { return columns[c][r]; }
        double **data() { return columns.data(); }

        double xMin = 0.0;
        double xMax = 0.0;
        double yMin = 0.0;
        double yMax = 0.0;

    private:
        unsigned nx = 0;
        unsigned ny = 0;
        std::vector<double> heights;
        std::vector<double *> columns;
    };

    explicit Chart3D(QWidget *parent = nullptr);
    ~Chart3D() override;

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
    void timerFunc();

private:
    void initTable();
    void deleteTable();

    ChartVariables chVars;
    std::vector<double> values;
    Surface surface;
    QTimer timer;
    log4cplus::Logger logger;
    QString titleText;
    bool changed = true;
    int rebuilds = 0;
};
