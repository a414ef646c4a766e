#include "curvetracker.h"
#include "plottestjobs.h"
#include "plotwidget.h"
#include "readablecolour.h"
#include "workdir.h"

#include <qwt_plot_canvas.h>
#include <qwt_plot_textlabel.h>
#include <qwt_series_data.h>

#include <QtTest>

namespace {
// The colour a curve's value is written in on the read-out's light box.
QString readOutColour(const QColor &curve)
{
    return ReadableColour::on(curve, QColor("#EEEEEE")).name();
}

QwtPointSeriesData series(const QVector<double> &xs)
{
    QVector<QPointF> points;
    for (double x : xs)
        points.append(QPointF(x, 1));
    return QwtPointSeriesData(points);
}

CustomQwtCurve *curveWith(PlotWidget &plot, const char *name, const QVector<QPointF> &points)
{
    CJobResultPair pair = plotPair(name);
    plot.addCurve(pair);
    CustomQwtCurve *curve = plot.curveMap().value(pair);
    for (const QPointF &p : points)
        curve->appendPoint(p.x(), p.y());
    return curve;
}
} // namespace

class TestCurveTracker : public QObject
{
    Q_OBJECT
private slots:
    void upperSampleIndex_data();
    void upperSampleIndex();
    void readOut_data();
    void readOut();
    void readOutIgnoresFactor();
    void twoCurvesJoinedByBreak();
    void updatesAreThrottled();
};

void TestCurveTracker::upperSampleIndex_data()
{
    QTest::addColumn<QVector<double>>("xs");
    QTest::addColumn<double>("x");
    QTest::addColumn<int>("index");
    const QVector<double> three{0, 10, 20};
    QTest::newRow("empty") << QVector<double>() << 5.0 << -1;
    QTest::newRow("before all") << three << -1.0 << 0;
    QTest::newRow("on first") << three << 0.0 << 1;
    QTest::newRow("between") << three << 5.0 << 1;
    QTest::newRow("on middle") << three << 10.0 << 2;
    QTest::newRow("on last") << three << 20.0 << -1;
    QTest::newRow("after last") << three << 25.0 << -1;
    QTest::newRow("equal stamps") << QVector<double>{0, 10, 10, 20} << 10.0 << 3;
    QTest::newRow("equal stamps before") << QVector<double>{0, 10, 10, 20} << 9.0 << 1;
    QVector<double> many;
    for (int i = 0; i < 100001; ++i)
        many.append(i * 2.0);
    QTest::newRow("long") << many << 77777.0 << 38889;
}

void TestCurveTracker::upperSampleIndex()
{
    QFETCH(QVector<double>, xs);
    QFETCH(double, x);
    QFETCH(int, index);
    QCOMPARE(CurveTracker::upperSampleIndex(series(xs), x), index);
}

void TestCurveTracker::readOut_data()
{
    QTest::addColumn<QVector<QPointF>>("points");
    QTest::addColumn<double>("x");
    QTest::addColumn<QString>("value");
    const QVector<QPointF> line{{1000, 10}, {2000, 20}, {3000, 40}};
    QTest::newRow("interpolated") << line << 1500.0 << "15";
    QTest::newRow("second segment") << line << 2500.0 << "30";
    QTest::newRow("on last point") << line << 3000.0 << "40";
    QTest::newRow("left of second point") << line << 500.0 << "";
    QTest::newRow("beyond the curve") << line << 3500.0 << "";
    QTest::newRow("one point") << QVector<QPointF>{{1000, 10}} << 1000.0 << "";
    QTest::newRow("all zero") << QVector<QPointF>{{1000, 0}, {2000, 0}} << 1500.0 << "";
    QTest::newRow("equal stamps at the end") << QVector<QPointF>{{1000, 10}, {2000, 20}, {2000, 25}} << 2000.0 << "25";
    QTest::newRow("equal stamps inside")
        << QVector<QPointF>{{1000, 10}, {2000, 20}, {2000, 25}, {3000, 35}} << 2000.0 << "25";
}

void TestCurveTracker::readOut()
{
    QFETCH(QVector<QPointF>, points);
    QFETCH(double, x);
    QFETCH(QString, value);
    WorkDir wd;
    PlotWidget plot(nullptr, false);
    CustomQwtCurve *curve = curveWith(plot, "R", points);
    const QString info = plot.tracker()->curveInfoAt(curve, QPointF(x, 0));
    if (value.isEmpty()) {
        QCOMPARE(info, QString());
        QVERIFY(plot.tracker()->curveLineAt(curve, x).isNull());
    } else {
        QCOMPARE(info, QStringLiteral("<span style=font-weight:bold;color:%1;font-size:16px;"
                                      "font-family:Courier New>")
                               .arg(readOutColour(Qt::red))
                           + value);
    }
}

void TestCurveTracker::readOutIgnoresFactor()
{
    WorkDir wd;
    PlotWidget plot(nullptr, false);
    CustomQwtCurve *curve = curveWith(plot, "R", {{1000, 10}, {2000, 20}});
    curve->curveData()->setFactorY(5);
    QVERIFY(plot.tracker()->curveInfoAt(curve, QPointF(1500, 0)).endsWith(">15"));
}

void TestCurveTracker::twoCurvesJoinedByBreak()
{
    WorkDir wd;
    PlotWidget plot(nullptr, false);
    curveWith(plot, "A", {{1000, 1}, {2000, 3}});
    curveWith(plot, "B", {{1000, 100}, {2000, 300}});
    curveWith(plot, "C", {{1000, 7}});
    const QwtText text = plot.tracker()->trackerTextF(QPointF(1500, 0));
    QCOMPARE(text.text(), QStringLiteral("<span style=font-weight:bold;color:%1;font-size:16px;"
                                         "font-family:Courier New>2<br>"
                                         "<span style=font-weight:bold;color:%2;font-size:16px;"
                                         "font-family:Courier New>200")
                              .arg(readOutColour(Qt::red), readOutColour(Qt::green)));
    QCOMPARE(text.backgroundBrush().color(), QColor("#EEEEEE"));
    // Each value in a shade of its curve's colour that reads on the box.
    for (QColor c : {QColor(Qt::red), QColor(Qt::green), QColor(Qt::yellow)}) {
        QVERIFY(ReadableColour::contrast(QColor(readOutColour(c)), QColor("#EEEEEE")) >= 4.5);
        QCOMPARE(QColor(readOutColour(c)).hue(), c.hue());
    }
    plot.showCurve(plot.curveAt(1), false);
    QVERIFY(!plot.tracker()->trackerTextF(QPointF(1500, 0)).text().contains("<br>"));
    QCOMPARE(plot.tracker()->trackerTextF(QPointF(5000, 0)).text(), QString());
}

void TestCurveTracker::updatesAreThrottled()
{
    WorkDir wd;
    PlotWidget plot(nullptr, false);
    curveWith(plot, "A", {{1000, 1}, {2000, 3}});
    auto labels = [&] {
        int n = 0;
        for (QwtPlotItem *item : plot.itemList(QwtPlotItem::Rtti_PlotTextLabel))
            n += item->title().text() == QLatin1String("tracker") ? 1 : 0;
        return n;
    };
    // Nothing before the first timer tick.
    plot.tracker()->onMoved(QPointF(1500, 0));
    QCOMPARE(labels(), 0);
    plot.tracker()->onTimer();
    plot.tracker()->onMoved(QPointF(1500, 0));
    QCOMPARE(labels(), 1);
    // The next move before the next tick changes nothing.
    plot.tracker()->onMoved(QPointF(1800, 0));
    QCOMPARE(labels(), 1);
    QTRY_VERIFY_WITH_TIMEOUT((plot.tracker()->onMoved(QPointF(1800, 0)),
                              static_cast<QwtPlotTextLabel *>(plot.itemList(QwtPlotItem::Rtti_PlotTextLabel).last())
                                  ->text().text().endsWith(">2.6")),
                             5000);
    QCOMPARE(labels(), 1);
}

QTEST_MAIN(TestCurveTracker)
#include "tst_curvetracker.moc"
