// The shared-cursor sample plot: one cursor position read out on both
// plots, at most once per timer period, and torn down cleanly although the
// lower curves read the upper curves' points.
#include "curvetracker.h"
#include "customqwtcurve.h"
#include "curvepicker2.h"
#include "mlvmultiplot.h"
#include "readablecolour.h"

#include <qwt_picker.h>
#include <qwt_plot.h>
#include <qwt_plot_canvas.h>
#include <qwt_plot_textlabel.h>
#include <qwt_scale_map.h>

#include <QElapsedTimer>
#include <QtTest>
#include <memory>

namespace {
// The text of a plot's read-out box; empty before its first update.
QString readOut(QwtPlot *plot)
{
    for (QwtPlotItem *item : plot->itemList(QwtPlotItem::Rtti_PlotTextLabel)) {
        if (item->title().text() == QLatin1String("tracker"))
            return static_cast<QwtPlotTextLabel *>(item)->text().text();
    }
    return QString();
}

// Where time x and value y of the upper plot lie on the form.
QPoint formPoint(MLVMultiPlot &w, double x, double y)
{
    QwtPlot *plot = w.upperPlot();
    const QPoint onCanvas(qRound(plot->canvasMap(QwtPlot::xBottom).transform(x)),
                          qRound(plot->canvasMap(QwtPlot::yLeft).transform(y)));
    return plot->canvas()->mapTo(&w, onCanvas);
}

// A curve's colour as the read-out writes it: a shade that reads on its box.
QString shade(const char *colour)
{
    return ReadableColour::on(QColor(colour), CurveTracker::readOutBackground()).name();
}

QString span(const char *colour, const char *value)
{
    return QString("<span style=font-weight:bold;color:%1;font-size:16px;font-family:Courier New>%2")
        .arg(shade(colour), value);
}

} // namespace

class TestMLVMultiPlot : public QObject
{
    Q_OBJECT
private slots:
    void sampleCurves();
    void positionMapsThroughTheCanvas_data();
    void positionMapsThroughTheCanvas();
    void readOutOfBothPlots();
    void nothingLeftOfTheFirstPoint();
    void oneUpdatePerPeriod();
    void pickerMovesReachBothPlots();
    void mouseOverAPlotMovesTheCursor();
    void openMoveClose();
    void pickerTwoOnlyLogs();
};

void TestMLVMultiPlot::sampleCurves()
{
    MLVMultiPlot w;
    QCOMPARE(w.size(), QSize(745, 415));
    QCOMPARE(w.windowTitle(), QString("Form"));
    const QwtPlotItemList upper = w.upperPlot()->itemList(QwtPlotItem::Rtti_PlotCurve);
    const QwtPlotItemList lower = w.lowerPlot()->itemList(QwtPlotItem::Rtti_PlotCurve);
    QCOMPARE(upper.size(), 2);
    QCOMPARE(lower.size(), 2);
    auto *first = static_cast<CustomQwtCurve *>(upper[0]);
    auto *third = static_cast<CustomQwtCurve *>(lower[0]);
    QCOMPARE(first->pen().color(), QColor(Qt::red));
    QCOMPARE(static_cast<CustomQwtCurve *>(upper[1])->pen().color(), QColor(Qt::yellow));
    QCOMPARE(first->dataSize(), size_t(4));
    QCOMPARE(static_cast<CustomQwtCurve *>(upper[1])->dataSize(), size_t(3));
    // The lower curves show the very same points.
    QCOMPARE(third->curveData(), first->curveData());
    QCOMPARE(third->sample(3), QPointF(4, 5));
    QCOMPARE(static_cast<CustomQwtCurve *>(lower[1])->sample(2), QPointF(5, 7));
}

void TestMLVMultiPlot::positionMapsThroughTheCanvas_data()
{
    QTest::addColumn<double>("x");
    QTest::addColumn<double>("y");
    QTest::newRow("middle") << 2.5 << 3.5;
    QTest::newRow("low") << 1.2 << 0.5;
    QTest::newRow("high") << 4.8 << 6.5;
}

void TestMLVMultiPlot::positionMapsThroughTheCanvas()
{
    QFETCH(double, x);
    QFETCH(double, y);
    MLVMultiPlot w;
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    const QPointF pos = w.toPlotPosition(formPoint(w, x, y));
    // Within a pixel's worth of the scales: the x axis below the canvas no
    // longer shifts the value.
    const double xPixel = w.upperPlot()->canvasMap(QwtPlot::xBottom).sDist()
        / w.upperPlot()->canvasMap(QwtPlot::xBottom).pDist();
    const double yPixel = w.upperPlot()->canvasMap(QwtPlot::yLeft).sDist()
        / w.upperPlot()->canvasMap(QwtPlot::yLeft).pDist();
    QVERIFY2(qAbs(pos.x() - x) <= qAbs(xPixel), qPrintable(QString::number(pos.x())));
    QVERIFY2(qAbs(pos.y() - y) <= qAbs(yPixel), qPrintable(QString::number(pos.y())));
}

// The trackers take an update only when their timer allows it: a move is
// repeated, with the event loop running in between, until it shows.
void TestMLVMultiPlot::readOutOfBothPlots()
{
    MLVMultiPlot w;
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    // The exact time, as the picker gives it after mapping.
    const QString upper = span("#ff0000", "3.5") + "<br>" + span("#ffff00", "1");
    const QString lower = span("#000000", "3.5") + "<br>" + span("#000000", "1");
    QTRY_VERIFY_WITH_TIMEOUT((w.upperTracker()->onSelected(QPointF(2.5, 3)), readOut(w.upperPlot()) == upper), 3000);
    QTRY_VERIFY_WITH_TIMEOUT((w.lowerTracker()->onSelected(QPointF(2.5, 3)), readOut(w.lowerPlot()) == lower), 3000);
}

void TestMLVMultiPlot::nothingLeftOfTheFirstPoint()
{
    MLVMultiPlot w;
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    const QPoint inside = formPoint(w, 2.5, 3);
    const QPoint left = formPoint(w, 0.5, 3);
    QTRY_VERIFY_WITH_TIMEOUT((w.onMoved(inside), !readOut(w.upperPlot()).isEmpty() && !readOut(w.lowerPlot()).isEmpty()),
                             3000);
    QTRY_VERIFY_WITH_TIMEOUT((w.onMoved(left), readOut(w.upperPlot()).isEmpty() && readOut(w.lowerPlot()).isEmpty()),
                             3000);
    // Right of curve 1's last point only curve 2 is read out.
    QTRY_VERIFY_WITH_TIMEOUT((w.upperTracker()->onSelected(QPointF(4.5, 3)),
                              readOut(w.upperPlot()) == span("#ffff00", "4.5")),
                             3000);
}

void TestMLVMultiPlot::oneUpdatePerPeriod()
{
    MLVMultiPlot w;
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    const QPoint first = formPoint(w, 2.0, 3);
    const QPoint second = formPoint(w, 3.5, 3);
    QTRY_VERIFY_WITH_TIMEOUT((w.onMoved(first), readOut(w.upperPlot()).contains("color:" + shade("#ff0000"))
                              && readOut(w.lowerPlot()).contains("color:#000000")),
                             3000);
    const QString upper = readOut(w.upperPlot());
    const QString lower = readOut(w.lowerPlot());
    // A second move right after changes neither read-out.
    w.onMoved(second);
    QCOMPARE(readOut(w.upperPlot()), upper);
    QCOMPARE(readOut(w.lowerPlot()), lower);
    // The timer lets the next one through, not before 200 ms.
    QElapsedTimer clock;
    clock.start();
    QTRY_VERIFY_WITH_TIMEOUT((w.onMoved(second), readOut(w.upperPlot()) != upper), 3000);
    QVERIFY2(clock.elapsed() >= 150, qPrintable(QString::number(clock.elapsed())));
    QTRY_VERIFY_WITH_TIMEOUT((w.onMoved(second), readOut(w.lowerPlot()) != lower), 3000);
}

void TestMLVMultiPlot::pickerMovesReachBothPlots()
{
    MLVMultiPlot w;
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    // The form's picker announces the move in form coordinates.
    const QPoint p = formPoint(w, 2.5, 3);
    QTRY_VERIFY_WITH_TIMEOUT((emit w.picker()->moved(p), readOut(w.upperPlot()).contains(">3.5")
                              && readOut(w.lowerPlot()).contains(">3.5")),
                             3000);
}

void TestMLVMultiPlot::mouseOverAPlotMovesTheCursor()
{
    MLVMultiPlot w;
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    QSignalSpy moved(w.picker(), qOverload<const QPoint &>(&QwtPicker::moved));
    // Moves without a button over the lower plot's canvas, as a mouse makes them.
    QWidget *canvas = w.lowerPlot()->canvas();
    const int y = canvas->height() / 2;
    for (int x = canvas->width() / 4; moved.count() < 2 && x < canvas->width(); x += 10)
        QTest::mouseMove(canvas, QPoint(x, y));
    QVERIFY(moved.count() >= 1);
    // The form's picker has the point in the form's own coordinates.
    const QPoint last = moved.last().first().toPoint();
    QCOMPARE(w.childAt(last), static_cast<QWidget *>(canvas));
}

void TestMLVMultiPlot::openMoveClose()
{
    for (int i = 0; i < 3; ++i) {
        auto w = std::make_unique<MLVMultiPlot>();
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w.get()));
        QTest::qWait(120); // the first update is allowed
        w->onMoved(formPoint(*w, 1.5 + i, 2));
        w->close();
        w.reset();
        QCoreApplication::processEvents();
    }
}

void TestMLVMultiPlot::pickerTwoOnlyLogs()
{
    QWidget host;
    CurvePicker2 picker(&host);
    QVERIFY(QMetaObject::invokeMethod(&picker, "onMoved", Q_ARG(QPoint, QPoint(1, 2))));
    QVERIFY(QMetaObject::invokeMethod(&picker, "onSelected", Q_ARG(QPolygon, QPolygon())));
}

QTEST_MAIN(TestMLVMultiPlot)
#include "tst_mlvmultiplot.moc"
