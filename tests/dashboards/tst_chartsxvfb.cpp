// The charts on a real X server (OpenGL through Mesa): the 3-D surfaces
// opened from the 2-D chart and fed by it, a 2-D chart fed many samples,
// degenerate grids, and the diesel dashboard with its picture.
#include "avg2dcharttableview.h"
#include "basic2dchart.h"
#include "basic2dcharttableview.h"
#include "chart3d.h"
#include "chart3dscale.h"
#include "chartgrid.h"
#include "ddecustomview.h"
#include "fakemdihost.h"
#include "plotwindowfeed.h"
#include "workdir.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPointer>
#include <QPushButton>
#include <QElapsedTimer>
#include <QtTest>
#include <memory>
#if defined(__SANITIZE_ADDRESS__)
extern "C" size_t __sanitizer_get_current_allocated_bytes();
#else
#include <malloc.h>
#endif

class TestChartsXvfb : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void chart3dTable();
    void chartFedManySamplesFillsLastAndAverage();
    void largeAutoScaleGridKeepsAnswering();
    void surfaceFillsItsBox();
    void axisNumbersReadable_data();
    void axisNumbersReadable();
    void roundAxisNumbers_data();
    void roundAxisNumbers();
    void dashboardShowsValuesAndPicture();
    // One chart and its five surfaces, in this order.
    void buttonsOpenSurfaces();
    void surfacesFollowTheSamples();
    void samplesAtTheMaximaSetTheFarCorner();
    void gridChangeFlattensTheSurfaces();
    void degenerateGridsDrawWithoutCrash();
    void closingTheChartLeavesItsSurfaces();
    void cleanupTestCase();

private:
    std::unique_ptr<WorkDir> wd;
    // The scenario's chart and surfaces, in the order of their buttons.
    std::unique_ptr<FakeMdiHost> host;
    QPointer<Basic2DChart> chart;
    QList<Chart3D *> surfaces;
};

namespace {
CJob sample(double x, double y, double z)
{
    const QByteArray xs = QByteArray::number(x), ys = QByteArray::number(y), zs = QByteArray::number(z);
    return PlotWindowFeed::makeJob("ECU", "J",
                                   {{"X", 8, 0, "", xs.constData()},
                                    {"Y", 8, 0, "", ys.constData()},
                                    {"Z", 8, 0, "", zs.constData()}});
}

template <class T> T *child(QWidget &w, const char *name)
{
    T *found = w.findChild<T *>(QLatin1String(name));
    if (!found)
        qFatal("no child %s", name);
    return found;
}

// A chart in the host's area with X, Y and Z chosen and applied.
Basic2DChart *openChart(FakeMdiHost &host)
{
    auto *chart = new Basic2DChart;
    host.addSubWindow(chart)->show();
    chart->setMainWnd(&host);
    chart->onJobFinished(sample(0, 0, 0), 0);
    child<QComboBox>(*chart, "cmbYResult")->setCurrentIndex(1);
    child<QComboBox>(*chart, "cmbCell")->setCurrentIndex(2);
    QTest::mouseClick(child<QPushButton>(*chart, "pushButton"), Qt::LeftButton);
    return chart;
}

int filledCells(Basic2DChartTableView *view)
{
    int n = 0;
    QStandardItemModel *model = view->tableModel();
    for (int row = 0; row < model->rowCount(); ++row)
        for (int col = 0; col < model->columnCount(); ++col)
            if (QStandardItem *item = model->item(row, col); item && !item->text().isEmpty())
                ++n;
    return n;
}

Chart3D *press(FakeMdiHost &host, Basic2DChart &chart, const char *button)
{
    const int before = host.windows<Chart3D>().size();
    QTest::mouseClick(child<QPushButton>(chart, button), Qt::LeftButton);
    if (host.windows<Chart3D>().size() != before + 1)
        return nullptr;
    return host.windows<Chart3D>().last();
}
} // namespace

void TestChartsXvfb::init()
{
    wd = std::make_unique<WorkDir>();
}

void TestChartsXvfb::cleanup()
{
    wd.reset();
}

void TestChartsXvfb::chart3dTable()
{
    Chart3D chart;
    QCOMPARE(chart.chartVariables().rows, 1);
    QCOMPARE(chart.chartVariables().xMax, 100.0);
    QCOMPARE(chart.redrawTimer().interval(), 100);
    QVERIFY(chart.redrawTimer().isActive());
    chart.setChVars(chartGrid(5, 20, 0, 1000, 0, 50));
    QCOMPARE(chart.table().size(), size_t(6 * 21));
    chart.onValueRowSet(5, 20, 7);
    chart.onValueRowSet(2, 3, 1.5);
    for (QPoint outside : {QPoint(6, 0), QPoint(-1, 0), QPoint(0, 21), QPoint(0, -1)})
        chart.onValueRowSet(outside.x(), outside.y(), 99);
    double sum = 0;
    for (double v : chart.table())
        sum += v;
    QCOMPARE(sum, 8.5);
    QCOMPARE(chart.cellValue(5, 20), 7.0);
    QCOMPARE(chart.cellValue(2, 3), 1.5);

    // A new grid: a flat 0 plane of the new size.
    chart.onChartVarsUpdated(chartGrid(3, 4, 0, 10, 0, 10));
    QCOMPARE(chart.table().size(), size_t(4 * 5));
    for (double v : chart.table())
        QCOMPARE(v, 0.0);
    // Sizes out of bounds are bounded, not allocated as given.
    chart.onChartVarsUpdated(chartGrid(-3, 100000, 0, 10, 0, 10));
    QCOMPARE(chart.chartVariables().rows, 0);
    QCOMPARE(chart.table().size(), size_t(1001));
}

void TestChartsXvfb::chartFedManySamplesFillsLastAndAverage()
{
    FakeMdiHost host(QSize(1200, 900));
    Basic2DChart *chart = openChart(host);
    double sum = 0;
    int inCell = 0;
    for (int i = 0; i < 200; ++i) {
        const double x = (i * 7919) % 10000;
        const double y = (i * 31) % 100;
        const double z = i % 13;
        chart->onJobFinished(sample(x, y, z), 0);
        if (int(x) / 1000 == 3 && int(y) / 10 == 4) {
            sum += z;
            ++inCell;
        }
    }
    Basic2DChartTableView *last = child<Basic2DChartTableView>(*chart, "tableView");
    QVERIFY2(filledCells(last) > 80, qPrintable(QString::number(filledCells(last))));
    QCOMPARE(filledCells(chart->averageView()), filledCells(last));
    QVERIFY(inCell > 0);
    const float mean = float(sum / inCell);
    QCOMPARE(chart->averageView()->tableModel()->item(4, 3)->text().toFloat(),
             QString::number(double(mean), 'f', 2).toFloat());
}

namespace {
// The heap the test process holds, in MB: what the allocator has handed out
// and not taken back (under AddressSanitizer its own count, which leaves out
// the freed blocks it keeps in quarantine).
double heapMB()
{
#if defined(__SANITIZE_ADDRESS__)
    const double bytes = double(__sanitizer_get_current_allocated_bytes());
#else
    const struct mallinfo2 info = mallinfo2();
    const double bytes = double(info.uordblks) + double(info.hblkhd);
#endif
    return bytes / (1024.0 * 1024.0);
}
} // namespace

void TestChartsXvfb::largeAutoScaleGridKeepsAnswering()
{
    // The largest grid the fields take, with AutoScale, two surfaces and
    // live samples of which each widens the limits: the event loop must go
    // on answering and the heap must not keep growing.
    FakeMdiHost host(QSize(1200, 900));
    Basic2DChart *chart = openChart(host);
    child<QCheckBox>(*chart, "chkAutoScale")->click();
    QVERIFY(child<QCheckBox>(*chart, "chkAutoScale")->isChecked());
    child<QLineEdit>(*chart, "txtRows")->setText("1000");
    child<QLineEdit>(*chart, "txtCols")->setText("1000");
    QTest::mouseClick(child<QPushButton>(*chart, "pushButton"), Qt::LeftButton);
    QCOMPARE(chart->chartVariables().rows, 1000);
    QCOMPARE(chart->chartVariables().xMax, 0.0);
    Chart3D *direct = press(host, *chart, "btnChart3D");
    Chart3D *last = press(host, *chart, "btn3DLast");
    QVERIFY(direct && last);
    QVERIFY(QTest::qWaitForWindowExposed(direct));
    QVERIFY(QTest::qWaitForWindowExposed(last));
    QTest::qWait(300);
    const double before = heapMB();

    int sent = 0;
    QTimer feed;
    connect(&feed, &QTimer::timeout, this, [&]() {
        const int i = sent++;
        chart->onJobFinished(sample(100 + 37.0 * i, (i * 13) % 200 + i / 5.0, i % 50), 0);
    });
    QElapsedTimer clock;
    qint64 previous = 0;
    qint64 longestGap = 0;
    QTimer probe;
    connect(&probe, &QTimer::timeout, this, [&]() {
        const qint64 now = clock.elapsed();
        longestGap = std::max(longestGap, now - previous);
        previous = now;
    });
    clock.start();
    feed.start(10);
    probe.start(10);
    while (clock.elapsed() < 3000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    feed.stop();
    probe.stop();
    const double growth = heapMB() - before;

    qInfo("longest wait of a 10 ms timer %lld ms, %d samples, heap grew %.1f MB", longestGap, sent, growth);
    QVERIFY2(sent > 50, qPrintable(QString::number(sent)));
    QVERIFY2(longestGap < 200, qPrintable(QStringLiteral("a 10 ms timer waited %1 ms").arg(longestGap)));
    QVERIFY2(growth < 50, qPrintable(QStringLiteral("the heap grew by %1 MB").arg(growth)));
    // Every sample widened X: the last one lies at the far limit, and both
    // surfaces show it.
    QCOMPARE(chart->chartVariables().xMax, 100 + 37.0 * (sent - 1));
    QTRY_VERIFY(direct->rebuildCount() > 0 && last->rebuildCount() > 0);
    const int i = sent - 1;
    int col = 0, row = 0;
    QVERIFY(chart->chartVariables().cellOf(100 + 37.0 * i, (i * 13) % 200 + i / 5.0, &col, &row));
    QVERIFY(col >= 999);
    QCOMPARE(direct->cellValue(row, col), double(i % 50));
    QCOMPARE(last->cellValue(row, col), double(i % 50));
}

void TestChartsXvfb::surfaceFillsItsBox()
{
    // X 0..5000 beside Y 0..100 and heights up to 2500: drawn 1:1:1 the
    // surface is a thin strip; scaled, the three spans are equal.
    FakeMdiHost host(QSize(1200, 900));
    auto *surface = new Chart3D;
    surface->setChVars(chartGrid(10, 10, 0, 5000, 0, 100));
    host.addSubWindow(surface)->show();
    surface->resize(400, 400);
    QVERIFY(QTest::qWaitForWindowExposed(surface));
    for (int row = 0; row <= 10; ++row)
        for (int col = 0; col <= 10; ++col)
            surface->onValueRowSet(row, col, 25.0 * row * col);
    QVERIFY(QMetaObject::invokeMethod(surface, "timerFunc"));
    QCOMPARE(surface->yScale() * 100, surface->xScale() * 5000);
    QCOMPARE(surface->zScale() * 2500, surface->xScale() * 5000);

    // Drawn, the box with its numbers stays inside the window: no edge of
    // the picture is touched.
    const QImage shown = surface->grabFrameBuffer();
    const QRgb background = shown.pixel(0, 0);
    int touching = 0;
    for (int y = 0; y < shown.height(); ++y)
        touching += (shown.pixel(0, y) != background) + (shown.pixel(shown.width() - 1, y) != background);
    for (int x = 0; x < shown.width(); ++x)
        touching += shown.pixel(x, shown.height() - 1) != background;
    QCOMPARE(touching, 0);
    // And it fills the window: what is drawn spans most of its width and
    // height.
    QRect drawn;
    for (int y = 0; y < shown.height(); ++y)
        for (int x = 0; x < shown.width(); ++x)
            if (shown.pixel(x, y) != background)
                drawn |= QRect(x, y, 1, 1);
    QVERIFY2(drawn.height() > shown.height() / 2, qPrintable(QString::number(drawn.height())));
    QVERIFY2(drawn.width() > shown.width() / 2, qPrintable(QString::number(drawn.width())));

    // A flat surface and an empty one draw without a scale from nothing:
    // their heights span 0 to 1, so that the Z axis keeps its numbers, and
    // that span is scaled as the others.
    surface->onChartVarsUpdated(chartGrid(10, 10, 0, 5000, 0, 100));
    QVERIFY(QMetaObject::invokeMethod(surface, "timerFunc"));
    QCOMPARE(surface->zScale() * 1.0, surface->xScale() * 5000);
    QVERIFY(!surface->grabFrameBuffer().isNull());
}

void TestChartsXvfb::dashboardShowsValuesAndPicture()
{
    FakeMdiHost host(QSize(1200, 900));
    auto *view = new DDECustomView;
    host.addSubWindow(view)->show();
    QVERIFY(QTest::qWaitForWindowExposed(view));
    const char *labels[] = {"lblRPM", "lblWater", "lblMAF", "lblN75", "lblBoost",
                            "lblIAT", "lblLAMBDA", "lblRail", "lblINJ", "lblDUR",
                            "lblSOI", "lblAFR", "lblTorque", "lblHp", "lblEOI"};
    QStringList before;
    for (const char *l : labels)
        before << child<QLabel>(*view, l)->text();
    view->onJobFinished(PlotWindowFeed::makeJob("D73N57C0", "MW_SELECT_LESEN_NORM",
                                                {{"STAT_ENG_NAVRG_WERT", 8, 2450},
                                                 {"STAT_CTSCD_TCLNT_WERT", 8, 88.5},
                                                 {"STAT_AFSCD_MAIRPERCYL_WERT", 8, 610},
                                                 {"STAT_BPACD_ROUT_WERT", 8, 62},
                                                 {"STAT_BPSCD_pOutVal_WERT", 8, 2210},
                                                 {"STAT_IATSCD_TAIRCATS_WERT", 8, 41.2},
                                                 {"STAT_LSU_RLMBD[0]_WERT", 8, 1.35},
                                                 {"STAT_RAILCD_PPEAK_WERT", 8, 1180},
                                                 {"STAT_INJCRV_QMI1DES_WERT", 8, 31.5},
                                                 {"STAT_INJCRV_TIMI1ET_WERT", 8, 905},
                                                 {"STAT_INJCRV_PHIMI1DES_WERT", 8, -2.5},
                                                 {"AFSCD_Afr", 8, 19.8},
                                                 {"CoEng_Torque", 8, 295},
                                                 {"CoEng_Power", 8, 101},
                                                 {"InjCrv_eoiMI1", 8, 14.2}}),
                        0);
    for (int i = 0; i < 15; ++i) {
        QLabel *label = child<QLabel>(*view, labels[i]);
        QVERIFY2(label->text() != before[i], labels[i]);
        QVERIFY2(label->isVisible(), labels[i]);
    }
    QLabel *picture = child<QLabel>(*view, "label_8");
    QVERIFY(picture->isVisible());
    QVERIFY(picture->width() >= 100);
    const QImage shown = picture->grab().toImage();
    int light = 0;
    for (int y = 0; y < shown.height(); y += 4)
        for (int x = 0; x < shown.width(); x += 4)
            light += qGray(shown.pixel(x, y)) > 100 ? 1 : 0;
    QVERIFY2(light > 20, qPrintable(QString::number(light)));
}

namespace {
const char *const buttons[] = {"btnChart3D", "btn3DLast", "btn3DAvg", "btn3DMin", "btn3DMax"};
const char *const titles[] = {"3D Plot", "Last values", "Avg. values", "Min values", "Max values"};

double sum(const Chart3D *surface)
{
    double total = 0;
    for (double v : surface->table())
        total += v;
    return total;
}

void tick(Chart3D *surface)
{
    // The redraw timer's next tick, without waiting for it.
    QVERIFY(QMetaObject::invokeMethod(surface, "timerFunc"));
}

void applyGrid(Basic2DChart &chart, const char *rows, const char *cols, const char *xMin, const char *xMax)
{
    child<QLineEdit>(chart, "txtRows")->setText(rows);
    child<QLineEdit>(chart, "txtCols")->setText(cols);
    child<QLineEdit>(chart, "txtXMin")->setText(xMin);
    child<QLineEdit>(chart, "txtXMax")->setText(xMax);
    QTest::mouseClick(child<QPushButton>(chart, "pushButton"), Qt::LeftButton);
}
} // namespace

void TestChartsXvfb::buttonsOpenSurfaces()
{
    host = std::make_unique<FakeMdiHost>(QSize(1200, 900));
    chart = openChart(*host);
    for (int i = 0; i < 5; ++i) {
        Chart3D *surface = press(*host, *chart, buttons[i]);
        QVERIFY2(surface, buttons[i]);
        QCOMPARE(surface->size(), QSize(300, 300));
        QCOMPARE(surface->title(), QString(titles[i]));
        QCOMPARE(surface->chartVariables().cols, 10);
        surfaces << surface;
    }
    for (Chart3D *surface : surfaces)
        QVERIFY(QTest::qWaitForWindowExposed(surface));
}

void TestChartsXvfb::surfacesFollowTheSamples()
{
    QCOMPARE(surfaces.size(), 5);
    QList<QImage> before;
    QList<int> rebuilds;
    for (Chart3D *surface : surfaces) {
        before << surface->grabFrameBuffer();
        QVERIFY(!before.last().isNull());
        rebuilds << surface->rebuildCount();
    }
    for (int i = 0; i < 20; ++i)
        chart->onJobFinished(sample(500 + i * 400, 55, 10 + i % 5), 0);
    for (int i = 0; i < 5; ++i) {
        Chart3D *surface = surfaces[i];
        QVERIFY2(surface->cellValue(5, 0) > 0, titles[i]);
        tick(surface);
        QVERIFY2(surface->rebuildCount() > rebuilds[i], titles[i]);
        QVERIFY2(surface->grabFrameBuffer() != before[i], titles[i]);
    }
}

void TestChartsXvfb::samplesAtTheMaximaSetTheFarCorner()
{
    QCOMPARE(surfaces.size(), 5);
    QList<double> sums;
    for (Chart3D *surface : surfaces)
        sums << sum(surface);
    chart->onJobFinished(sample(10000, 100, 42), 0);
    for (int i = 0; i < 5; ++i) {
        // The far corner is its own cell: last, average, minimum and
        // maximum of one sample are the sample.
        QCOMPARE(surfaces[i]->cellValue(10, 10), 42.0);
        QCOMPARE(sum(surfaces[i]), sums[i] + 42.0);
    }
    // Outside the limits: no cell of a surface changes.
    chart->onJobFinished(sample(20000, 100, 43), 0);
    chart->onJobFinished(sample(-5000, 50, 44), 0);
    for (int i = 0; i < 5; ++i)
        QCOMPARE(sum(surfaces[i]), sums[i] + 42.0);
}

void TestChartsXvfb::gridChangeFlattensTheSurfaces()
{
    QCOMPARE(surfaces.size(), 5);
    applyGrid(*chart, "5", "20", "0", "10000");
    for (Chart3D *surface : surfaces) {
        QCOMPARE(surface->table().size(), size_t(6 * 21));
        QCOMPARE(sum(surface), 0.0);
    }
    chart->onJobFinished(sample(5000, 50, 3), 0);
    QCOMPARE(surfaces[1]->cellValue(2, 10), 3.0);
}

void TestChartsXvfb::degenerateGridsDrawWithoutCrash()
{
    QCOMPARE(surfaces.size(), 5);
    for (Chart3D *surface : surfaces)
        tick(surface);
    QList<int> rebuilds;
    for (Chart3D *surface : surfaces)
        rebuilds << surface->rebuildCount();
    auto drawAll = [&]() {
        chart->onJobFinished(sample(5000, 50, 3), 0);
        for (Chart3D *surface : surfaces) {
            tick(surface);
            QVERIFY(!surface->grabFrameBuffer().isNull());
        }
    };
    applyGrid(*chart, "0", "10", "0", "10000");
    drawAll();
    applyGrid(*chart, "10", "10", "5000", "5000");
    drawAll();
    // Auto-scale from 0..0 with a first sample at 0.
    QTest::mouseClick(child<QCheckBox>(*chart, "chkAutoScale"), Qt::LeftButton);
    QTest::mouseClick(child<QPushButton>(*chart, "pushButton"), Qt::LeftButton);
    chart->onJobFinished(sample(0, 0, 3), 0);
    for (Chart3D *surface : surfaces) {
        tick(surface);
        QVERIFY(!surface->grabFrameBuffer().isNull());
    }
    // None of these grids was handed to the surface library.
    for (int i = 0; i < 5; ++i)
        QCOMPARE(surfaces[i]->rebuildCount(), rebuilds[i]);
}

void TestChartsXvfb::closingTheChartLeavesItsSurfaces()
{
    QCOMPARE(surfaces.size(), 5);
    QTest::mouseClick(child<QCheckBox>(*chart, "chkAutoScale"), Qt::LeftButton);
    applyGrid(*chart, "10", "10", "0", "10000");
    chart->onJobFinished(sample(5000, 50, 3), 0);
    QMdiSubWindow *chartSub = nullptr;
    for (QMdiSubWindow *sub : host->area.subWindowList())
        if (sub->widget() == chart)
            chartSub = sub;
    QVERIFY(chartSub);
    chartSub->close();
    QTRY_VERIFY(chart.isNull());
    QCOMPARE(host->windows<Chart3D>().size(), 5);
    // The direct surface and the last values show the sample; the other
    // tables fold it into what their cell kept.
    QCOMPARE(surfaces[0]->cellValue(5, 5), 3.0);
    QCOMPARE(surfaces[1]->cellValue(5, 5), 3.0);
    for (Chart3D *surface : surfaces) {
        QVERIFY(surface->isVisible());
        QVERIFY(surface->redrawTimer().isActive());
        QVERIFY(surface->cellValue(5, 5) > 0);
        tick(surface);
        QVERIFY(!surface->grabFrameBuffer().isNull());
    }
}

namespace {
// Where a chart writes its texts, read from what it draws: each text drawn
// once in the background's colour and once in black, the pixels that differ
// grouped into the boxes of single texts (pixels at most two apart belong
// to one text; two texts that close cannot be told apart).
QList<QRect> textBoxes(const QImage &hidden, const QImage &shown)
{
    const int w = shown.width();
    const int h = shown.height();
    QVector<bool> ink(w * h, false);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            ink[y * w + x] = hidden.pixel(x, y) != shown.pixel(x, y);
    QVector<bool> seen(w * h, false);
    QList<QRect> boxes;
    for (int start = 0; start < w * h; ++start) {
        if (!ink[start] || seen[start])
            continue;
        QRect box;
        QVector<int> todo{start};
        seen[start] = true;
        while (!todo.isEmpty()) {
            const int at = todo.takeLast();
            const int px = at % w;
            const int py = at / w;
            box |= QRect(px, py, 1, 1);
            for (int dy = -2; dy <= 2; ++dy) {
                for (int dx = -2; dx <= 2; ++dx) {
                    const int nx = px + dx;
                    const int ny = py + dy;
                    if (nx < 0 || ny < 0 || nx >= w || ny >= h)
                        continue;
                    const int n = ny * w + nx;
                    if (ink[n] && !seen[n]) {
                        seen[n] = true;
                        todo << n;
                    }
                }
            }
        }
        boxes << box;
    }
    return boxes;
}

QRect united(const QList<QRect> &boxes)
{
    QRect all;
    for (const QRect &b : boxes)
        all |= b;
    return all;
}

const Qwt3D::RGBA black(0, 0, 0, 1);

struct ChartTexts
{
    QSize frame;
    // Per axis (X, Y, Z): the boxes of its numbers, and how many numbers
    // the axis that carries them has.
    QList<QRect> numbers[3];
    int count[3] = {0, 0, 0};
    QRect title;
};

ChartTexts readTexts(Chart3D *chart)
{
    Qwt3D::CoordinateSystem *system = chart->coordinates();
    const Qwt3D::RGBA background = chart->backgroundRGBAColor();
    auto draw = [chart] {
        chart->updateGL();
        return chart->grabFrameBuffer();
    };
    system->setNumberColor(background);
    chart->setTitleColor(background);
    const QImage hidden = draw();
    ChartTexts texts;
    texts.frame = hidden.size();
    for (int d = 0; d < 3; ++d) {
        for (Qwt3D::Axis &axis : system->axes) {
            const Qwt3D::Triple along = axis.end() - axis.begin();
            const double parts[3] = {along.x, along.y, along.z};
            if (parts[d] == 0)
                continue;
            axis.setNumberColor(black);
            if (axis.numbers())
                texts.count[d] = int(axis.majorPositions().size());
        }
        texts.numbers[d] = textBoxes(hidden, draw());
        system->setNumberColor(background);
    }
    chart->setTitleColor(black);
    texts.title = united(textBoxes(hidden, draw()));
    system->setNumberColor(black);
    chart->updateGL();
    return texts;
}
} // namespace

void TestChartsXvfb::axisNumbersReadable_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<bool>("maximised");
    for (const char *kind : {"filled", "sparse", "flat"})
        for (bool maximised : {false, true})
            QTest::addRow("%s, %s", kind, maximised ? "maximised" : "opening size") << QString(kind) << maximised;
}

// Each axis's numbers are inside the window, apart from each other, from
// the other axes' and from the caption, however the heights fill the grid:
// a grid full of values, one cell set (the others 0), and no values at all
// on an X span where no sample falls.
void TestChartsXvfb::axisNumbersReadable()
{
    QFETCH(QString, kind);
    QFETCH(bool, maximised);
    FakeMdiHost host(QSize(1200, 900));
    Basic2DChart *chart = openChart(host);
    if (kind == "flat")
        applyGrid(*chart, "10", "10", "20000", "30000");
    Chart3D *surface = press(host, *chart, "btn3DLast");
    QVERIFY(surface);
    QCOMPARE(surface->size(), QSize(300, 300));
    if (kind == "filled") {
        for (int row = 0; row <= 10; ++row)
            for (int col = 0; col <= 10; ++col)
                chart->onJobFinished(sample(col * 1000 + 10, row * 10 + 1, 0.9 * row * col + 5), 0);
    } else if (kind == "sparse") {
        chart->onJobFinished(sample(500, 95, 99.48), 0);
    }
    if (maximised)
        surface->parentWidget()->showMaximized();
    QVERIFY(QTest::qWaitForWindowExposed(surface));
    QTRY_VERIFY(surface->size().width() > (maximised ? 1000 : 299));
    tick(surface);

    const ChartTexts texts = readTexts(surface);
    const QRect inside = QRect(QPoint(0, 0), texts.frame).adjusted(1, 1, -1, -1);
    QVERIFY2(texts.title.isValid() && inside.contains(texts.title), qPrintable(QString("title %1,%2 %3x%4")
             .arg(texts.title.x()).arg(texts.title.y()).arg(texts.title.width()).arg(texts.title.height())));
    const char axisName[3] = {'X', 'Y', 'Z'};
    QList<QPair<QRect, int>> all;
    for (int d = 0; d < 3; ++d) {
        const QList<QRect> &boxes = texts.numbers[d];
        // As many boxes as numbers: none lost outside, none written over
        // another.
        QVERIFY2(texts.count[d] >= 2 && boxes.size() == texts.count[d],
                 qPrintable(QString("%1: %2 numbers, %3 seen").arg(axisName[d]).arg(texts.count[d]).arg(boxes.size())));
        for (const QRect &b : boxes) {
            QVERIFY2(inside.contains(b), qPrintable(QString("%1 number at %2,%3 %4x%5 outside %6x%7").arg(axisName[d])
                     .arg(b.x()).arg(b.y()).arg(b.width()).arg(b.height()).arg(texts.frame.width()).arg(texts.frame.height())));
            QVERIFY2(!b.intersects(texts.title), qPrintable(QString("%1 number over the caption").arg(axisName[d])));
            all << qMakePair(b, d);
        }
    }
    for (int i = 0; i < all.size(); ++i)
        for (int j = i + 1; j < all.size(); ++j)
            QVERIFY2(!all[i].first.intersects(all[j].first),
                     qPrintable(QString("a number of %1 over one of %2").arg(axisName[all[i].second]).arg(axisName[all[j].second])));
}

void TestChartsXvfb::roundAxisNumbers_data()
{
    QTest::addColumn<double>("lo");
    QTest::addColumn<double>("hi");
    QTest::addColumn<int>("intervals");
    QTest::addColumn<QString>("numbers");
    QTest::newRow("0..10000 in 5") << 0.0 << 10000.0 << 5 << "0 2000 4000 6000 8000 10000";
    QTest::newRow("0..10000 in 4") << 0.0 << 10000.0 << 4 << "0 2500 5000 7500 10000";
    QTest::newRow("0..10000 in 3") << 0.0 << 10000.0 << 3 << "0 5000 10000";
    QTest::newRow("20000..30000 in 6") << 20000.0 << 30000.0 << 6 << "20000 22000 24000 26000 28000 30000";
    QTest::newRow("heights 5..95") << 5.0 << 95.0 << 6 << "20 40 60 80";
    QTest::newRow("heights 0..99.48") << 0.0 << 99.48 << 6 << "0 20 40 60 80";
    QTest::newRow("flat at 0") << 0.0 << 1.0 << 6 << "0 0.2 0.4 0.6 0.8 1";
    QTest::newRow("below 0") << -1.5 << 0.5 << 4 << "-1.5 -1 -0.5 0 0.5";
    QTest::newRow("one interval") << 0.0 << 99.48 << 1 << "0 50";
    QTest::newRow("no span") << 7.0 << 7.0 << 6 << "7";
    QTest::newRow("far from 0") << 1e16 << 1e16 + 4 << 6 << "1e+16 1e+16 1e+16 1e+16 1e+16";
}

void TestChartsXvfb::roundAxisNumbers()
{
    QFETCH(double, lo);
    QFETCH(double, hi);
    QFETCH(int, intervals);
    QFETCH(QString, numbers);
    QStringList texts;
    for (double v : Chart3DScale::numbers(lo, hi, intervals))
        texts << Chart3DScale::text(v);
    QCOMPARE(texts.join(' '), numbers);
}

void TestChartsXvfb::cleanupTestCase()
{
    host.reset();
}

QTEST_MAIN(TestChartsXvfb)
#include "tst_chartsxvfb.moc"
