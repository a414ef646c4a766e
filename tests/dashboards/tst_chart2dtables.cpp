// The value tables of the 2-D chart on their own: what each kind shows for
// a run of samples, the axis labels, the highlight, the announcement of
// every cell set, and what survives a change of the grid.
#include "avg2dcharttableview.h"
#include "basic2dcharttableview.h"
#include "basic2dchartutils.h"
#include "chart3d.h"
#include "chartgrid.h"

#include <QApplication>
#include <QHeaderView>
#include <QSignalSpy>
#include <QtTest>
#include <cmath>
#include <limits>
#include <memory>

struct Sample
{
    double x;
    double y;
    double value;
};
Q_DECLARE_METATYPE(QList<Sample>)

class TestChart2DTables : public QObject
{
    Q_OBJECT
private slots:
    void binning_data();
    void binning();
    void boundedBins();
    void kinds_data();
    void kinds();
    void axisLabels_data();
    void axisLabels();
    void headers();
    void highlightMovesAndOutsideSamplesMoveNothing();
    void everyCellSetIsAnnounced();
    void gridChangeKeepsValuesAndCounts_data();
    void gridChangeKeepsValuesAndCounts();
    void cellsWithoutBinSurviveForTheNextGrid();
    void formatViewWritesNoCell();
    void surfaceFollowsTheVertexRule();
    void largeGridSurfaceKeepsEachBlocksExtreme();
    void axisScale_data();
    void axisScale();
};

namespace {
std::unique_ptr<Basic2DChartTableView> makeView(int kind, const ChartVariables &vars)
{
    std::unique_ptr<Basic2DChartTableView> view(kind == 4 ? new Avg2DChartTableView : new Basic2DChartTableView);
    if (kind != 4)
        view->setKind(kind);
    view->onChartVarsUpdated(vars);
    view->formatTable();
    view->formatView();
    return view;
}

QString text(Basic2DChartTableView &view, int row, int col)
{
    QStandardItem *item = view.tableModel()->item(row, col);
    return item ? item->text() : QString();
}

QColor background(Basic2DChartTableView &view, int row, int col)
{
    QStandardItem *item = view.tableModel()->item(row, col);
    return item ? item->background().color() : QColor();
}

const double inf = std::numeric_limits<double>::infinity();
const double notANumber = std::numeric_limits<double>::quiet_NaN();
} // namespace

void TestChart2DTables::binning_data()
{
    QTest::addColumn<double>("min");
    QTest::addColumn<double>("max");
    QTest::addColumn<int>("bins");
    QTest::addColumn<double>("value");
    QTest::addColumn<bool>("hasBin");
    QTest::addColumn<int>("bin");
    QTest::newRow("inside") << 0.0 << 100.0 << 10 << 55.0 << true << 5;
    QTest::newRow("at the maximum: the extra bin") << 0.0 << 100.0 << 10 << 100.0 << true << 10;
    QTest::newRow("just below the minimum truncates to 0") << 0.0 << 100.0 << 10 << -5.0 << true << 0;
    QTest::newRow("below the grid") << 0.0 << 100.0 << 10 << -25.0 << true << -2;
    QTest::newRow("beyond the grid") << 0.0 << 100.0 << 10 << 1000.0 << true << 100;
    // The span goes through single precision: 0.1 as a float is a little
    // more than 0.1, so 0.1 itself falls short of bin 1.
    QTest::newRow("float span") << 0.0 << 0.1 << 1 << 0.1 << true << 0;
    QTest::newRow("equal limits") << 5.0 << 5.0 << 10 << 5.0 << false << 0;
    QTest::newRow("equal limits, another value") << 0.0 << 0.0 << 10 << 3.0 << false << 0;
    QTest::newRow("no bins") << 0.0 << 100.0 << 0 << 50.0 << false << 0;
    QTest::newRow("infinite value") << 0.0 << 100.0 << 10 << inf << false << 0;
    QTest::newRow("NaN value") << 0.0 << 100.0 << 10 << notANumber << false << 0;
    QTest::newRow("quotient beyond int") << 0.0 << 1.0 << 10 << 1e300 << false << 0;
    QTest::newRow("quotient below int") << 0.0 << 1.0 << 10 << -1e300 << false << 0;
    QTest::newRow("span beyond float") << -1e300 << 1e300 << 10 << 0.0 << false << 0;
}

void TestChart2DTables::binning()
{
    QFETCH(double, min);
    QFETCH(double, max);
    QFETCH(int, bins);
    QFETCH(double, value);
    QFETCH(bool, hasBin);
    QFETCH(int, bin);
    const ChartVariables vars = chartGrid(bins, bins, min, max, min, max);
    int col = 7;
    int row = 7;
    QCOMPARE(vars.cellOf(value, value, &col, &row), hasBin);
    QCOMPARE(col, hasBin ? bin : -1);
    QCOMPARE(row, hasBin ? bin : -1);
}

void TestChart2DTables::boundedBins()
{
    QCOMPARE(ChartVariables::boundedBins(-3), 0);
    QCOMPARE(ChartVariables::boundedBins(0), 0);
    QCOMPARE(ChartVariables::boundedBins(1000), 1000);
    QCOMPARE(ChartVariables::boundedBins(100000), 1000);
    // A view given a negative grid still has one row and one column.
    auto view = makeView(Basic2DChartTableView::Last, chartGrid(-3, -5, 0, 10, 0, 10));
    QCOMPARE(view->tableModel()->rowCount(), 1);
    QCOMPARE(view->tableModel()->columnCount(), 1);
}

void TestChart2DTables::kinds_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QList<Sample>>("samples");
    QTest::addColumn<QStringList>("shown"); // at each sample's own cell, after it
    const QList<Sample> three = {{15, 15, 5}, {12, 18, 3}, {19, 11, 4}};
    QTest::newRow("count 1, 2, 3") << 3 << three << QStringList{"1", "2", "3"};
    QTest::newRow("a new cell counts 1")
        << 3 << QList<Sample>{{15, 15, 5}, {15, 15, 5}, {55, 55, 5}} << QStringList{"1", "2", "1"};
    QTest::newRow("minimum 5, 3, 3") << 1 << three << QStringList{"5", "3", "3"};
    QTest::newRow("maximum 5, 7, 7") << 2 << QList<Sample>{{15, 15, 5}, {15, 15, 7}, {15, 15, 6}}
                                     << QStringList{"5", "7", "7"};
    QTest::newRow("average 2, 3, 5") << 4 << QList<Sample>{{15, 15, 2}, {15, 15, 4}, {15, 15, 9}}
                                     << QStringList{"2", "3", "5"};
    QTest::newRow("average 2.5") << 4 << QList<Sample>{{15, 15, 2}, {15, 15, 3}} << QStringList{"2", "2.50"};
    QTest::newRow("last 12 and 12.35") << 0 << QList<Sample>{{15, 15, 12.0}, {15, 15, 12.345}}
                                       << QStringList{"12", "12.35"};
    QTest::newRow("last, large whole value") << 0 << QList<Sample>{{15, 15, 123456789.0}}
                                             << QStringList{"123456792"};
    QTest::newRow("last, at the maxima") << 0 << QList<Sample>{{100, 100, 1}} << QStringList{"1"};
}

void TestChart2DTables::kinds()
{
    QFETCH(int, kind);
    QFETCH(QList<Sample>, samples);
    QFETCH(QStringList, shown);
    auto view = makeView(kind, chartGrid(10, 10, 0, 100, 0, 100));
    for (int i = 0; i < samples.size(); ++i) {
        const Sample &s = samples[i];
        view->setValue(s.x, s.y, s.value);
        QCOMPARE(text(*view, int(s.y / 10), int(s.x / 10)), shown[i]);
    }
}

void TestChart2DTables::axisLabels_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<double>("step");
    QTest::addColumn<QString>("label");
    QTest::newRow("whole") << 2.0 << 0.5 << "2";
    QTest::newRow("half") << 0.5 << 0.5 << "0.5";
    QTest::newRow("enough decimals to differ") << 0.125 << 0.125 << "0.1";
    QTest::newRow("more decimals for a small step") << 0.125 << 0.01 << "0.13";
    QTest::newRow("thirds") << 1.0 / 3 << 1.0 / 3 << "0.3";
    QTest::newRow("step 0") << 0.3 << 0.0 << "0.3";
    QTest::newRow("step NaN") << 0.3 << notANumber << "0.3";
    QTest::newRow("step inf") << 0.3 << inf << "0.3";
    QTest::newRow("step below float resolution") << 0.25 << 1e-12 << "0.25";
    QTest::newRow("value NaN") << notANumber << 1.0 << "nan";
    QTest::newRow("value inf") << inf << 1.0 << "inf";
}

void TestChart2DTables::axisLabels()
{
    QFETCH(double, value);
    QFETCH(double, step);
    QFETCH(QString, label);
    Basic2DChartTableView view;
    QString text;
    view.formatColVal(text, value, step);
    QCOMPARE(text, label);
}

void TestChart2DTables::headers()
{
    auto view = makeView(Basic2DChartTableView::Last, chartGrid(4, 2, 0, 1, 10, 30));
    QStandardItemModel *model = view->tableModel();
    QCOMPARE(model->columnCount(), 3);
    QStringList columns;
    for (int col = 0; col < 3; ++col)
        columns << model->headerData(col, Qt::Horizontal).toString();
    QCOMPARE(columns, (QStringList{"0", "0.5", "1"}));
    QStringList rows;
    for (int row = 0; row < 5; ++row)
        rows << model->headerData(row, Qt::Vertical).toString();
    QCOMPARE(rows, (QStringList{"10", "15", "20", "25", "30"}));
    QCOMPARE(model->headerData(1, Qt::Horizontal, Qt::ForegroundRole).value<QBrush>().color(), QColor(Qt::blue));
    QCOMPARE(model->headerData(1, Qt::Vertical, Qt::ForegroundRole).value<QBrush>().color(), QColor(Qt::red));

    // No columns: the one column is labelled with the limit.
    view->onChartVarsUpdated(chartGrid(0, 0, 2.5, 7, 0, 1));
    view->formatTable();
    QCOMPARE(model->columnCount(), 1);
    QCOMPARE(model->headerData(0, Qt::Horizontal).toString(), QString("2.5"));
}

void TestChart2DTables::highlightMovesAndOutsideSamplesMoveNothing()
{
    auto view = makeView(Basic2DChartTableView::Last, chartGrid(10, 10, 0, 100, 0, 100));
    view->setValue(15, 15, 1);
    QCOMPARE(background(*view, 1, 1), QColor(Qt::lightGray));
    view->setValue(55, 35, 2);
    QCOMPARE(background(*view, 3, 5), QColor(Qt::lightGray));
    QCOMPARE(background(*view, 1, 1), QColor(Qt::white));
    view->setValue(15, 15, 3);
    QCOMPARE(background(*view, 1, 1), QColor(Qt::lightGray));
    QCOMPARE(background(*view, 3, 5), QColor(Qt::white));

    for (const Sample &outside : {Sample{500, 500, 9}, Sample{-50, 15, 9}, Sample{15, 150, 9}}) {
        view->setValue(outside.x, outside.y, outside.value);
        QCOMPARE(background(*view, 1, 1), QColor(Qt::lightGray));
        QCOMPARE(background(*view, 3, 5), QColor(Qt::white));
    }
    int filled = 0;
    for (int row = 0; row < 11; ++row)
        for (int col = 0; col < 11; ++col)
            filled += text(*view, row, col).isEmpty() ? 0 : 1;
    QCOMPARE(filled, 2);
}

void TestChart2DTables::everyCellSetIsAnnounced()
{
    for (int kind : {0, 1, 2, 3, 4}) {
        auto view = makeView(kind, chartGrid(10, 10, 0, 100, 0, 100));
        QSignalSpy spy(view.get(), &Basic2DChartTableView::setValueRowSignal);
        view->setValue(15, 25, 6);
        view->setValue(500, 15, 4);  // stored beyond the grid, shown nowhere
        view->setValue(-50, 15, 4);  // below the grid: dropped
        view->setValue(15, 25, 8);
        QCOMPARE(spy.size(), 3);
        QCOMPARE(spy[0][0].toInt(), 2);
        QCOMPARE(spy[0][1].toInt(), 1);
        QCOMPARE(spy[1][0].toInt(), 1);
        QCOMPARE(spy[1][1].toInt(), 50);
        const double expected[] = {8, 6, 8, 2, 7};
        QCOMPARE(spy[2][2].toDouble(), expected[kind]);
    }
}

void TestChart2DTables::gridChangeKeepsValuesAndCounts_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QStringList>("apart");  // cells A and B on a finer grid
    QTest::addColumn<QString>("together");   // both in one cell of a coarse grid
    QTest::newRow("last") << 0 << QStringList{"9", "6"} << "6";
    QTest::newRow("minimum") << 1 << QStringList{"2", "6"} << "2";
    QTest::newRow("maximum") << 2 << QStringList{"9", "6"} << "9";
    QTest::newRow("count") << 3 << QStringList{"3", "1"} << "4";
    QTest::newRow("average") << 4 << QStringList{"5", "6"} << "5.25";
}

void TestChart2DTables::gridChangeKeepsValuesAndCounts()
{
    QFETCH(int, kind);
    QFETCH(QStringList, apart);
    QFETCH(QString, together);
    auto view = makeView(kind, chartGrid(10, 10, 0, 100, 0, 100));
    // Cell A gets three samples, B one, last of all.
    view->setValue(15, 15, 2);
    view->setValue(12, 18, 4);
    view->setValue(19, 11, 9);
    view->setValue(25, 15, 6);

    // A finer grid: each old cell lands, by its first sample, in a cell of
    // its own, with its value and its count.
    view->onChartVarsUpdated(chartGrid(20, 20, 0, 100, 0, 100));
    QCOMPARE(view->tableModel()->columnCount(), 21);
    QCOMPARE(text(*view, 3, 3), apart[0]);
    QCOMPARE(text(*view, 3, 5), apart[1]);
    QCOMPARE(text(*view, 1, 1), QString());

    // A coarse grid: the two meet and add up.
    view->onChartVarsUpdated(chartGrid(2, 2, 0, 100, 0, 100));
    QCOMPARE(text(*view, 0, 0), together);
    QCOMPARE(view->store().size(), 1);

    // One more sample counts on from there.
    view->setValue(10, 10, 4);
    const QString next[] = {"4", "2", "9", "5", "5"};
    QCOMPARE(text(*view, 0, 0), next[kind]);
}

void TestChart2DTables::cellsWithoutBinSurviveForTheNextGrid()
{
    auto view = makeView(Basic2DChartTableView::Count, chartGrid(10, 10, 0, 100, 0, 100));
    view->setValue(15, 15, 1);
    view->setValue(15, 15, 1);
    view->setValue(95, 95, 1);
    // Equal limits, as auto-scale starts: no sample has a cell, and none
    // may get a bogus one.
    view->onChartVarsUpdated(chartGrid(10, 10, 0, 0, 0, 0));
    for (int row = 0; row < 11; ++row)
        for (int col = 0; col < 11; ++col)
            QCOMPARE(text(*view, row, col), QString());
    view->setValue(0, 0, 1);
    QCOMPARE(view->store().size(), 2);
    // Limits that take them in again bring back their counts.
    view->onChartVarsUpdated(chartGrid(10, 10, 0, 100, 0, 100));
    QCOMPARE(text(*view, 1, 1), QString("2"));
    QCOMPARE(text(*view, 9, 9), QString("1"));
}

void TestChart2DTables::formatViewWritesNoCell()
{
    auto view = makeView(Basic2DChartTableView::Last, chartGrid(10, 10, 0, 100, 0, 100));
    view->setValue(95, 95, 3);
    QCOMPARE(text(*view, 9, 9), QString("3"));
    view->formatView();
    QCOMPARE(text(*view, 9, 9), QString("3"));
    QCOMPARE(text(*view, 10, 10), QString());
    const int probe = view->fontMetrics().horizontalAdvance("9999.999");
    for (int col = 0; col < 10; ++col)
        QVERIFY2(view->columnWidth(col) > probe, qPrintable(QString::number(view->columnWidth(col))));
    QCOMPARE(view->columnWidth(0), view->columnWidth(9));
}

void TestChart2DTables::surfaceFollowsTheVertexRule()
{
    // 5 rows and 20 columns: 21 points along X, 6 along Y; the library is
    // handed data[x][y], the table is [row][col].
    const ChartVariables vars = chartGrid(5, 20, 100, 300, -10, 40);
    std::vector<double> table(6 * 21, 0.0);
    table[2 * 21 + 7] = 3.5;
    table[5 * 21 + 20] = 8; // the far corner
    table[0] = std::numeric_limits<double>::infinity();
    Chart3D::Surface surface;
    surface.build(vars, table);
    QCOMPARE(surface.xPoints(), 21u);
    QCOMPARE(surface.yPoints(), 6u);
    for (unsigned c = 0; c < 21; ++c)
        QCOMPARE(surface.x(c), 100 + c * 200.0 / 20);
    for (unsigned r = 0; r < 6; ++r)
        QCOMPARE(surface.y(r), -10 + r * 50.0 / 5);
    QCOMPARE(surface.z(7, 2), 3.5);
    QCOMPARE(surface.z(20, 5), 8.0);
    QCOMPARE(surface.data()[7][2], 3.5);
    QCOMPARE(surface.z(2, 7 % 6), 0.0);
    // An infinite height would leave the library no range to scale.
    QCOMPARE(surface.z(0, 0), 0.0);

    // Rebuilt for another grid, the same object holds the new size.
    surface.build(chartGrid(1, 1, 0, 1, 0, 1), std::vector<double>{1, 2, 3, 4});
    QCOMPARE(surface.xPoints(), 2u);
    QCOMPARE(surface.z(1, 0), 2.0);
    QCOMPARE(surface.z(0, 1), 3.0);

    QVERIFY(chartGrid(5, 20, 100, 300, -10, 40).hasArea());
    QVERIFY(!chartGrid(0, 20, 100, 300, -10, 40).hasArea());
    QVERIFY(!chartGrid(5, 0, 100, 300, -10, 40).hasArea());
    QVERIFY(!chartGrid(5, 20, 100, 100, -10, 40).hasArea());
    QVERIFY(!chartGrid(5, 20, 100, 300, 0, 0).hasArea());
    QVERIFY(!chartGrid(5, 20, -1e300, 1e300, 0, 1).hasArea());
}

void TestChart2DTables::largeGridSurfaceKeepsEachBlocksExtreme()
{
    // 1000 x 1000 bins: blocks of 20 x 20 cells, one point each, the last
    // point at the far limits.
    const ChartVariables vars = chartGrid(1000, 1000, 0, 5000, 0, 100);
    std::vector<double> table(1001 * 1001, 0.0);
    auto cell = [&](int row, int col) -> double & { return table[size_t(row) * 1001 + col]; };
    cell(537, 999) = 3;
    cell(538, 981) = -5; // same block, larger magnitude
    cell(1000, 1000) = 7;
    cell(0, 0) = std::numeric_limits<double>::quiet_NaN();
    cell(0, 1) = 1;
    Chart3D::Surface surface;
    surface.build(vars, table);
    QCOMPARE(surface.xBlock(), 20u);
    QCOMPARE(surface.xPoints(), 51u);
    QCOMPARE(surface.yPoints(), 51u);
    QCOMPARE(surface.x(50), 5000.0);
    QCOMPARE(surface.y(50), 100.0);
    QCOMPARE(surface.x(1), 100.0);
    QCOMPARE(surface.z(49, 26), -5.0);
    QCOMPARE(surface.z(50, 50), 7.0);
    QCOMPARE(surface.z(0, 0), 1.0);
    QCOMPARE(surface.z(10, 10), 0.0);

    // Marked cells are taken again, the others are left as they were.
    cell(538, 981) = 2;
    cell(0, 1) = 4; // not marked
    surface.markCell(538, 981);
    surface.refresh(table);
    QCOMPARE(surface.z(49, 26), 3.0);
    QCOMPARE(surface.z(0, 0), 1.0);
    surface.clear();
    QCOMPARE(surface.zMax(), 0.0);

    // Up to 50 bins every cell is a point.
    surface.build(chartGrid(50, 50, 0, 50, 0, 50), std::vector<double>(51 * 51, 1.0));
    QCOMPARE(surface.xPoints(), 51u);
    QCOMPARE(surface.xBlock(), 1u);
    QCOMPARE(surface.x(7), 7.0);
}

void TestChart2DTables::axisScale_data()
{
    QTest::addColumn<double>("xSpan");
    QTest::addColumn<double>("ySpan");
    QTest::addColumn<double>("zSpan");
    QTest::addColumn<QString>("equal"); // the axes whose scaled spans are equal; the others keep scale 1
    QTest::newRow("rpm, load, temperature") << 5000.0 << 100.0 << 2500.0 << "xyz";
    QTest::newRow("small X, large Z") << 1.0 << 0.5 << 1e6 << "xyz";
    QTest::newRow("equal spans") << 10.0 << 10.0 << 10.0 << "xyz";
    QTest::newRow("flat surface") << 5000.0 << 100.0 << 0.0 << "xy";
    QTest::newRow("no X span") << 0.0 << 100.0 << 20.0 << "yz";
    QTest::newRow("nothing spans") << 0.0 << 0.0 << 0.0 << "";
    QTest::newRow("tiny Z span") << 1e300 << 1.0 << 1e-300 << "xy";
    QTest::newRow("NaN Z span") << 10.0 << 5.0 << std::nan("") << "xy";
}

void TestChart2DTables::axisScale()
{
    QFETCH(double, xSpan);
    QFETCH(double, ySpan);
    QFETCH(double, zSpan);
    QFETCH(QString, equal);
    const Chart3D::AxisScale scale = Chart3D::axisScale(xSpan, ySpan, zSpan);
    const double spans[3] = {xSpan, ySpan, zSpan};
    const double factors[3] = {scale.x, scale.y, scale.z};
    double common = 0;
    for (int axis = 0; axis < 3; ++axis) {
        QVERIFY(std::isfinite(factors[axis]) && factors[axis] > 0);
        if (!equal.contains(QChar('x' + axis))) {
            QCOMPARE(factors[axis], 1.0);
            continue;
        }
        if (common == 0)
            common = spans[axis] * factors[axis];
        QCOMPARE(spans[axis] * factors[axis], common);
    }
    // A full box keeps a share of the diagonal of the data, so that it
    // fits the view with the numbers around it.
    if (equal == "xyz")
        QCOMPARE(common * std::sqrt(3.0),
                 Chart3D::BoxShare * std::sqrt(xSpan * xSpan + ySpan * ySpan + zSpan * zSpan));
}

QTEST_MAIN(TestChart2DTables)
#include "tst_chart2dtables.moc"
