#include "curvetracker.h"
#include "plottestjobs.h"
#include "plotwidget.h"
#include "plotwidgetcontainer.h"
#include "readablecolour.h"
#include "workdir.h"

#include <qwt_legend.h>
#include <qwt_plot_canvas.h>
#include <qwt_plot_textlabel.h>
#include <qwt_plot_zoomer.h>
#include <qwt_scale_map.h>

#include <QElapsedTimer>
#include <QScrollBar>
#include <QtTest>

namespace {
const qint64 T0 = 1500000000000LL;

// Counts full replots; everything else is the widget itself.
class CountingPlot : public PlotWidget
{
public:
    using PlotWidget::PlotWidget;
    void replot() override
    {
        ++replots;
        PlotWidget::replot();
    }
    int replots = 0;
};

void feed(PlotWidget *plot, qint64 ms, const char *result, const char *text)
{
    plot->onJobResultUpdated(plotResult(result, text), plotJob(T0 + ms), 0);
}

// A plot that plots every result, shown and laid out.
bool showPlot(PlotWidget &plot)
{
    plot.setPlotAllResults(true);
    plot.setStartTime(T0);
    plot.resize(600, 400);
    plot.show();
    const bool exposed = QTest::qWaitForWindowExposed(&plot);
    plot.resizeDone();
    return exposed;
}

int colouredPixelsInColumns(const QImage &img, int x0, int x1, QColor colour)
{
    int n = 0;
    for (int x = std::max(0, x0); x <= std::min(img.width() - 1, x1); ++x)
        for (int y = 0; y < img.height(); ++y) {
            const QColor c = img.pixelColor(x, y);
            if (qAbs(c.red() - colour.red()) < 60 && qAbs(c.green() - colour.green()) < 60
                && qAbs(c.blue() - colour.blue()) < 60)
                ++n;
        }
    return n;
}
} // namespace

class TestPlotWidget : public QObject
{
    Q_OBJECT
private slots:
    void construction();
    void followAndPages();
    void zoomSteps_data();
    void zoomSteps();
    void zoomKeysAndWheel();
    void zoomerWindowNeverZero();
    void longRunsKeepTheirTime();
    void newPointsDrawnWithoutReplot();
    void yScaleChangeReplots();
    void factorChangeReplots();
    void resetStartsOver();
    void curvesAndLabel();
    void labelDrawnRightAfterReset();
    void showCurveWithAndWithoutLegend();
    void yZoomStep();
    void tearDownWithoutThread();
};

void TestPlotWidget::construction()
{
    WorkDir wd;
    PlotWidget plot(nullptr, false);
    QCOMPARE(plot.timeWindow(), qint64(30000));
    QCOMPARE(plot.timeMax(), qint64(30000));
    QVERIFY(plot.isFollowingCurve());
    QVERIFY(!plot.zoomer()->isEnabled());
    QCOMPARE(plot.axisScaleDiv(QwtPlot::xBottom).upperBound(), 30000.0);
    QVERIFY(plot.curveAt(0) == nullptr);
    QVERIFY(!plot.data()->plotAll());
    QVERIFY(plot.tracker());
}

void TestPlotWidget::followAndPages()
{
    WorkDir wd;
    PlotWidgetContainer box(nullptr, false);
    PlotWidget *plot = box.plotWidget();
    plot->setPlotAllResults(true);
    plot->setStartTime(T0);
    box.resize(600, 300);
    box.show();
    for (qint64 ms = 0; ms <= 45000; ms += 50)
        feed(plot, ms, "R", "5");
    plot->redrawAllCurves();
    QCOMPARE(plot->curveAt(0)->curveData()->pointCount(), qint64(901));
    QCOMPARE(plot->timeMax(), qint64(60000));
    QCOMPARE(plot->axisScaleDiv(QwtPlot::xBottom).lowerBound(), 30000.0);
    QCOMPARE(plot->axisScaleDiv(QwtPlot::xBottom).upperBound(), 60000.0);
    QCOMPARE(box.scrollBar()->maximum(), 2);
    QCOMPARE(box.scrollBar()->value(), 2);
    QVERIFY(plot->isFollowingCurve());

    // Paging back stops following; new data only widens the scroll range.
    box.scrollBar()->setValue(1);
    QVERIFY(!plot->isFollowingCurve());
    QCOMPARE(plot->axisScaleDiv(QwtPlot::xBottom).upperBound(), 30000.0);
    for (qint64 ms = 45050; ms <= 70000; ms += 50)
        feed(plot, ms, "R", "5");
    plot->redrawAllCurves();
    QCOMPARE(plot->timeMax(), qint64(90000));
    QCOMPARE(plot->axisScaleDiv(QwtPlot::xBottom).lowerBound(), 0.0);
    QCOMPARE(plot->axisScaleDiv(QwtPlot::xBottom).upperBound(), 30000.0);
    QCOMPARE(box.scrollBar()->maximum(), 3);
    QCOMPARE(box.scrollBar()->value(), 1);

    // The last page follows again.
    box.scrollBar()->setValue(3);
    QVERIFY(plot->isFollowingCurve());
    QCOMPARE(plot->axisScaleDiv(QwtPlot::xBottom).lowerBound(), 60000.0);
}

void TestPlotWidget::zoomSteps_data()
{
    QTest::addColumn<int>("window");
    QTest::addColumn<bool>("widen");
    QTest::addColumn<int>("after");
    QTest::newRow("+ 5000") << 5000 << true << 6000;
    QTest::newRow("- 5000") << 5000 << false << 4000;
    QTest::newRow("+ 6000") << 6000 << true << 11000;
    QTest::newRow("- 6000") << 6000 << false << 1000;
    QTest::newRow("+ 1000") << 1000 << true << 2000;
    QTest::newRow("- 1000") << 1000 << false << 900;
    QTest::newRow("+ 900") << 900 << true << 1000;
    QTest::newRow("- 200") << 200 << false << 100;
    QTest::newRow("- 100") << 100 << false << 100;
    QTest::newRow("+ 100") << 100 << true << 200;
    QTest::newRow("+ 30000") << 30000 << true << 35000;
}

void TestPlotWidget::zoomSteps()
{
    QFETCH(int, window);
    QFETCH(bool, widen);
    QFETCH(int, after);
    WorkDir wd;
    PlotWidget plot(nullptr, false);
    plot.zoomed(QRectF(0, 0, window, 1));
    QCOMPARE(plot.timeWindow(), qint64(window));
    QSignalSpy scale(&plot, &PlotWidget::scaleChanged);
    if (widen)
        plot.zoomOutTime();
    else
        plot.zoomInTime();
    QCOMPARE(plot.timeWindow(), qint64(after));
    QCOMPARE(plot.timeMax(), qint64(after));
    if (after != window) {
        QCOMPARE(scale.count(), 1);
        QCOMPARE(scale.first().at(2).toDouble(), double(after));
        QCOMPARE(plot.axisScaleDiv(QwtPlot::xBottom).upperBound(), double(after));
    }
}

void TestPlotWidget::zoomKeysAndWheel()
{
    WorkDir wd;
    PlotWidget plot(nullptr, false);
    plot.setPlotAllResults(true);
    plot.setStartTime(T0);
    feed(&plot, 45000, "R", "1");
    plot.redrawAllCurves();
    QTest::keyClick(&plot, Qt::Key_Plus);
    QCOMPARE(plot.timeWindow(), qint64(35000));
    // The page that holds the newest point: 35000..70000.
    QCOMPARE(plot.timeMax(), qint64(70000));
    QTest::keyClick(&plot, Qt::Key_Minus);
    QCOMPARE(plot.timeWindow(), qint64(30000));
    QCOMPARE(plot.timeMax(), qint64(60000));

    QWheelEvent away(QPointF(5, 5), QPointF(5, 5), QPoint(), QPoint(0, 120), Qt::NoButton, Qt::NoModifier,
                     Qt::NoScrollPhase, false);
    QApplication::sendEvent(&plot, &away);
    QCOMPARE(plot.timeWindow(), qint64(35000));
    QWheelEvent towards(QPointF(5, 5), QPointF(5, 5), QPoint(), QPoint(0, -120), Qt::NoButton, Qt::NoModifier,
                        Qt::NoScrollPhase, false);
    QApplication::sendEvent(&plot, &towards);
    QCOMPARE(plot.timeWindow(), qint64(30000));
}

void TestPlotWidget::zoomerWindowNeverZero()
{
    WorkDir wd;
    PlotWidget plot(nullptr, false);
    plot.setPlotAllResults(true);
    plot.setStartTime(T0);
    feed(&plot, 5000, "R", "1");
    plot.redrawAllCurves();
    plot.zoomed(QRectF(1000, 0, 0, 1));
    QCOMPARE(plot.timeWindow(), qint64(100));
    QCOMPARE(plot.timeMax(), qint64(5100));
    plot.zoomed(QRectF(1000, 0, 1e300, 1));
    QVERIFY(plot.timeWindow() > 0);
    // The next redraw divides by the window: no crash, a sane page.
    feed(&plot, 5050, "R", "1");
    plot.zoomed(QRectF(0, 0, 0.4, 1));
    plot.redrawAllCurves();
    QCOMPARE(plot.timeWindow(), qint64(100));
    QCOMPARE(plot.timeMax(), qint64(5100));
}

void TestPlotWidget::longRunsKeepTheirTime()
{
    WorkDir wd;
    PlotWidgetContainer box(nullptr, false);
    PlotWidget *plot = box.plotWidget();
    plot->setPlotAllResults(true);
    plot->setStartTime(T0);
    // 30 days and 50 ms: beyond a 32-bit ms count and a float's precision.
    const qint64 ms = 30LL * 24 * 3600 * 1000 + 50;
    feed(plot, ms, "R", "1");
    plot->redrawAllCurves();
    QCOMPARE(plot->timeMax(), (ms / 30000 + 1) * 30000);
    QCOMPARE(plot->axisScaleDiv(QwtPlot::xBottom).lowerBound(), double(ms / 30000 * 30000));
    QCOMPARE(box.scrollBar()->maximum(), int(ms / 30000 + 1));
    QCOMPARE(box.scrollBar()->value(), int(ms / 30000 + 1));
}

void TestPlotWidget::newPointsDrawnWithoutReplot()
{
    WorkDir wd;
    CountingPlot plot(nullptr, false);
    QVERIFY(showPlot(plot));
    plot.setAxisScale(QwtPlot::yLeft, 0, 10);
    for (qint64 ms = 0; ms <= 10000; ms += 100)
        feed(&plot, ms, "R", ms % 200 ? "2" : "8");
    plot.redrawAllCurves();
    QCoreApplication::processEvents();

    const QwtScaleMap xMap = plot.canvasMap(QwtPlot::xBottom);
    const int left = int(xMap.transform(15000)), right = int(xMap.transform(19000));
    QImage before = plot.canvas()->grab().toImage();
    QCOMPARE(colouredPixelsInColumns(before, left, right, Qt::red), 0);
    QVERIFY(colouredPixelsInColumns(before, int(xMap.transform(2000)), int(xMap.transform(6000)), Qt::red) > 0);

    const int replots = plot.replots;
    for (qint64 ms = 10100; ms <= 20000; ms += 100)
        feed(&plot, ms, "R", ms % 200 ? "3" : "7");
    plot.redrawAllCurves();
    QCOMPARE(plot.replots, replots);
    QCOMPARE(plot.curveAt(0)->curveData()->lastDrawnIndex(), qint64(201));
    const QImage after = plot.canvas()->grab().toImage();
    QVERIFY(colouredPixelsInColumns(after, left, right, Qt::red) > 0);
    QCOMPARE(plot.replots, replots);

    // One more point per tick: still no replot.
    feed(&plot, 20100, "R", "5");
    plot.redrawCurve(plot.curveAt(0));
    QCOMPARE(plot.replots, replots);
}

void TestPlotWidget::yScaleChangeReplots()
{
    WorkDir wd;
    CountingPlot plot(nullptr, false);
    plot.setPlotAllResults(true);
    plot.setStartTime(T0);
    plot.resize(600, 400);
    plot.show();
    plot.resizeDone();
    for (qint64 ms = 0; ms <= 1000; ms += 100)
        feed(&plot, ms, "R", "5");
    plot.redrawAllCurves();
    plot.redrawAllCurves();
    const int replots = plot.replots;
    const double upper = plot.axisScaleDiv(QwtPlot::yLeft).upperBound();
    feed(&plot, 1100, "R", "500");
    plot.redrawAllCurves();
    QVERIFY(plot.axisScaleDiv(QwtPlot::yLeft).upperBound() > upper);
    QCOMPARE(plot.replots, replots + 1);
    QCOMPARE(plot.curveAt(0)->curveData()->lastDrawnIndex(), qint64(12));
    // The same for a single curve.
    feed(&plot, 1200, "R", "50000");
    plot.redrawCurve(plot.curveAt(0));
    QCOMPARE(plot.replots, replots + 2);
}

void TestPlotWidget::factorChangeReplots()
{
    WorkDir wd;
    CountingPlot plot(nullptr, false);
    plot.setPlotAllResults(true);
    plot.setStartTime(T0);
    plot.setAxisScale(QwtPlot::yLeft, 0, 1000);
    feed(&plot, 0, "A", "50");
    feed(&plot, 0, "B", "200");
    plot.redrawAllCurves();
    const int replots = plot.replots;
    feed(&plot, 100, "B", "100");
    plot.redrawAllCurves();
    QCOMPARE(plot.replots, replots);
    feed(&plot, 200, "A", "60");
    plot.redrawAllCurves();
    QCOMPARE(plot.replots, replots + 1);
}

void TestPlotWidget::resetStartsOver()
{
    WorkDir wd;
    PlotWidget plot(nullptr, false);
    plot.setPlotAllResults(true);
    plot.setStartTime(T0);
    feed(&plot, 0, "A", "50");
    feed(&plot, 45000, "B", "200");
    plot.redrawAllCurves();
    plot.zoomOutTime();
    plot.reset();
    QVERIFY(plot.curveMap().isEmpty());
    QVERIFY(plot.curveAt(0) == nullptr);
    QCOMPARE(plot.timeWindow(), qint64(30000));
    QCOMPARE(plot.timeMax(), qint64(30000));
    QCOMPARE(plot.data()->curvePeak(), 0.0);
    QCOMPARE(plot.data()->lastElapsed(), qint64(0));
    QVERIFY(plot.data()->startTime() > T0);
    QCOMPARE(plot.itemList(QwtPlotItem::Rtti_PlotCurve).size(), 0);
    // Jobs from before the new start are dropped.
    feed(&plot, 50000, "A", "1");
    QVERIFY(plot.curveMap().isEmpty());
}

void TestPlotWidget::curvesAndLabel()
{
    WorkDir wd;
    PlotWidget plot(nullptr, false);
    plot.setStartTime(T0);
    CJobResultPair pairB = plotPair("STAT_B_WERT");
    QVERIFY(plot.addCurve(pairB));
    QCOMPARE(plot.itemList(QwtPlotItem::Rtti_PlotCurve).size(), 1);
    // With plot-all off only the accepted pairs are plotted.
    feed(&plot, 0, "STAT_B_WERT", "1");
    QCOMPARE(plot.curveAt(0)->curveData()->pointCount(), qint64(0));
    plot.onSettingsChanged({plotPair("STAT_A_WERT"), plotPair("STAT_B_WERT")});
    QCOMPARE(plot.resultPairs().size(), 2);
    feed(&plot, 0, "STAT_B_WERT", "1");
    feed(&plot, 0, "STAT_A_WERT", "1");
    feed(&plot, 0, "OTHER", "1");
    QCOMPARE(plot.curveMap().size(), 2);
    QCOMPARE(plot.curveAt(0)->title().text(), QStringLiteral("A"));
    QCOMPARE(plot.curveAt(1)->curveData()->pointCount(), qint64(1));
    QVERIFY(plot.curveAt(2) == nullptr);
    // Adding a pair that has a curve keeps the curve and its points.
    CustomQwtCurve *b = plot.curveAt(1);
    QVERIFY(plot.addCurve(pairB));
    QCOMPARE(plot.curveAt(1), b);
    QCOMPARE(b->curveData()->pointCount(), qint64(1));
    QCOMPARE(plot.itemList(QwtPlotItem::Rtti_PlotCurve).size(), 2);

    const QwtPlotItemList labels = plot.itemList(QwtPlotItem::Rtti_PlotTextLabel);
    QCOMPARE(labels.size(), 1);
    const QString text = static_cast<QwtPlotTextLabel *>(labels.first())->text().text();
    QVERIFY2(text.startsWith("<div style=\"font-size: small; font-family: Arial\">"), qPrintable(text));
    // Each title in its curve's colour, in a shade that reads on the white
    // canvas: the pure green and red did not.
    const QString red = ReadableColour::on(QColor("#ff0000"), Qt::white).name();
    const QString green = ReadableColour::on(QColor("#00ff00"), Qt::white).name();
    QVERIFY(red != "#ff0000" && green != "#00ff00");
    QVERIFY2(text.contains("<font color='" + red + "'>B<br>") && text.contains("<font color='" + green + "'>A<br>"),
             qPrintable(text));
    plot.showCurve(plot.curveAt(0), false);
    const QString hidden =
        static_cast<QwtPlotTextLabel *>(plot.itemList(QwtPlotItem::Rtti_PlotTextLabel).first())->text().text();
    QVERIFY(!hidden.contains(">A<br>"));
}

void TestPlotWidget::labelDrawnRightAfterReset()
{
    WorkDir wd;
    CountingPlot plot(nullptr, false);
    QVERIFY(showPlot(plot));
    feed(&plot, 0, "STAT_LONG_CURVE_TITLE_WERT", "5");
    plot.redrawAllCurves();

    // R, F5 and "Reset graph" come here; the curve is made anew by the
    // next result.
    plot.reset();
    // A fixed value scale, so that the canvas keeps its size.
    plot.setAxisScale(QwtPlot::yLeft, 0, 10);
    plot.replot();
    QCoreApplication::processEvents();
    const QImage empty = plot.canvas()->grab().toImage();
    const int replots = plot.replots;
    plot.onJobResultUpdated(plotResult("STAT_LONG_CURVE_TITLE_WERT", "5"),
                            plotJob(plot.data()->startTime() + 100), 0);
    QCOMPARE(plot.curveMap().size(), 1);
    // The label was rebuilt with the new curve and is on the canvas at once,
    // without waiting for a replot of the time window.
    QVERIFY(plot.replots > replots);
    const QString label =
        static_cast<QwtPlotTextLabel *>(plot.itemList(QwtPlotItem::Rtti_PlotTextLabel).first())->text().text();
    QVERIFY2(label.contains(">" + plot.curveAt(0)->title().text() + "<br>"), qPrintable(label));
    QCoreApplication::processEvents();
    const QImage shown = plot.canvas()->grab().toImage();
    QCOMPARE(shown.size(), empty.size());
    // The label sits in the top right corner.
    int changed = 0;
    for (int y = 0; y < shown.height() / 6; ++y)
        for (int x = shown.width() / 2; x < shown.width(); ++x)
            changed += shown.pixel(x, y) != empty.pixel(x, y);
    QVERIFY2(changed > 20, qPrintable(QString::number(changed)));
}

void TestPlotWidget::showCurveWithAndWithoutLegend()
{
    WorkDir wd;
    PlotWidget plot(nullptr, false);
    CJobResultPair pair = plotPair("R");
    plot.addCurve(pair);
    plot.showCurve(plot.curveAt(0), false);
    QVERIFY(!plot.curveAt(0)->isVisible());
    plot.insertLegend(new QwtLegend);
    plot.updateLegend();
    plot.showCurve(plot.curveAt(0), true);
    QVERIFY(plot.curveAt(0)->isVisible());
    plot.showCurve(nullptr, true);
}

void TestPlotWidget::yZoomStep()
{
    WorkDir wd;
    PlotWidget plot(nullptr, false);
    plot.setAxisScale(QwtPlot::yLeft, 0, 8000);
    plot.yZoomStep();
    QCOMPARE(plot.axisScaleDiv(QwtPlot::yLeft).upperBound(), 3000.0);
    plot.yZoomStep();
    QCOMPARE(plot.axisScaleDiv(QwtPlot::yLeft).upperBound(), 2000.0);
    plot.setAxisScale(QwtPlot::yLeft, -5, 5);
    plot.yZoomStep();
    QCOMPARE(plot.axisScaleDiv(QwtPlot::yLeft).lowerBound(), -5.0);
    QCOMPARE(plot.axisScaleDiv(QwtPlot::yLeft).upperBound(), 0.0);
}

void TestPlotWidget::tearDownWithoutThread()
{
    WorkDir wd;
    QElapsedTimer clock;
    auto *box = new PlotWidgetContainer(nullptr, false);
    box->plotWidget()->setPlotAllResults(true);
    box->plotWidget()->setStartTime(T0);
    for (int i = 0; i < 100; ++i)
        feed(box->plotWidget(), i * 10, "R", "1");
    QCOMPARE(box->plotWidget()->curveAt(0)->curveData()->pointCount(), qint64(100));
    clock.start();
    delete box;
    QVERIFY(clock.elapsed() < 1000);
}

QTEST_MAIN(TestPlotWidget)
#include "tst_plotwidget.moc"
