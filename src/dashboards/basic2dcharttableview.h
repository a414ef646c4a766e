#pragma once
// One page of the 2-D chart: the grid as a table of the last value, the
// minimum, the maximum or the count of the samples of each cell. The view
// bins every sample itself, keeps what it stored so that a new grid can
// take the cells over, colours the headers and highlights the cell set
// last. Each cell it sets is announced with setValueRowSignal (3-D charts).
#include "chartvariables.h"
#include "kelvolog.h"
#include "tablevaluestore.h"

#include <QHeaderView>
#include <QStandardItemModel>
#include <QTableView>
#include <utility>
#include <vector>

class Basic2DChartTableView : public QTableView
{
    Q_OBJECT
public:
    enum Kind { Last = 0, Minimum = 1, Maximum = 2, Count = 3 };

    // The cells of the table; the header labels are worked out from the
    // grid when a header asks for them, so that a new grid costs the same
    // whatever the number of rows and columns (a header only asks for the
    // sections it shows).
    class Model : public QStandardItemModel
    {
    public:
        using QStandardItemModel::QStandardItemModel;
        // Labels the columns from xMin in steps of xStep (blue) and the
        // rows from yMin in steps of yStep (red).
        void setAxes(double xMin, double xStep, double yMin, double yStep);
        QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    private:
        bool labelled = false;
        double axisMin[2] = {0.0, 0.0}; // [Qt::Horizontal - 1], [Qt::Vertical - 1]
        double axisStep[2] = {0.0, 0.0};
    };

    // A header whose size asks a few sections instead of two hundred: the
    // labels are numbers of one form, the widest at the ends. Limits that
    // move with every sample re-label every section each time.
    class Header : public QHeaderView
    {
    public:
        explicit Header(Qt::Orientation orientation, QWidget *parent = nullptr);
        QSize sizeHint() const override;
    };

    explicit Basic2DChartTableView(QWidget *parent = nullptr);

    void setKind(int kind) { m_kind = kind; }
    int kind() const { return m_kind; }
    const ChartVariables &chartVariables() const { return chVars; }
    const TableValueStore &store() const { return valueStore; }
    QStandardItemModel *tableModel() { return &model; }

    // Announces the cell, then shows the value in it when the cell is in
    // the grid, highlighted; the cell highlighted before turns white.
    void setValueRow(int row, int col, float value);
    // Stores the value for the cell of (x, y) and counts the sample.
    void saveTableValue(double x, double y, double cell);
    // The value the cell shows, from what is stored for it.
    virtual double shownValue(const TableValueStore::Entry &entry) const;

signals:
    void setValueRowSignal(int row, int col, qreal cellValue);

public slots:
    // A new grid: the stored cells are binned anew by the raw coordinates
    // of their first samples; cells that meet in one new cell are merged,
    // each keeping its sample count.
    void onChartVarsUpdated(const ChartVariables &vars);
    // Bins the sample and stores and shows what its cell holds then.
    void setValue(qreal x, qreal y, qreal curCellVal);
    void formatView();
    void formatTable();
    void formatColVal(QString &strVal, qreal &val, qreal step);

protected:
    // The value to store for a cell that gets a sample (stored is null for
    // a new cell).
    virtual double storedValue(const TableValueStore::Entry *stored, double sample) const;
    // The value of a cell into which an old cell (incoming, changed later
    // than the one already there) is merged after a grid change.
    virtual double mergedValue(const TableValueStore::Entry &present,
                               const TableValueStore::Entry &incoming) const;

    ChartVariables chVars;
    TableValueStore valueStore;
    log4cplus::Logger logger;
    Model model;

private:
    // The width a column's header and filled cells ask for.
    int contentWidth(int col) const;

    // The cells that show a text, (row, col) each once: a new grid empties
    // only them.
    std::vector<std::pair<int, int>> filledCells;
    // The column widths formatView set last, so that an unchanged width is
    // not set again on every column.
    int formattedWidth = -1;
    int formattedColumns = -1;
    bool formatting = false;
    int highlightRow = -1;
    int highlightCol = -1;
    bool firstHighlight = true;
    int m_kind = Last;
};
