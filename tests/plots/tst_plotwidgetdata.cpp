#include "customqwtcurve.h"
#include "plottestjobs.h"
#include "plotwidgetdata.h"
#include "workdir.h"

#include <QtTest>
#include <cmath>

namespace {
// A worker in the GUI thread whose values reach its curves as in a plot.
struct Worker
{
    PlotWidgetData data;
    Worker()
    {
        QObject::connect(&data, &PlotWidgetData::pointReady, &data,
                         [this](CJobResultPair pair, qint64 ts, double y) { data.addPoint(pair, ts, y); });
        data.setStartTime(1000000);
    }
    ~Worker() { data.deleteCurves(); }
    void feed(qint64 ms, const char *result, const char *text)
    {
        data.onJobResultUpdated(plotResult(result, text), plotJob(1000000 + ms), 0);
    }
    CustomQwtCurveData *curve(const char *result)
    {
        CustomQwtCurve *c = data.curveMap().value(plotPair(result), nullptr);
        return c ? c->curveData() : nullptr;
    }
};
} // namespace

class TestPlotWidgetData : public QObject
{
    Q_OBJECT
private slots:
    void firstValueCreatesCurve();
    void values_data();
    void values();
    void jobBeforeStartIsDropped();
    void acceptedPairsOnly();
    void curvesPerEcu_data();
    void curvesPerEcu();
    void titles_data();
    void titles();
    void titleFollowsTheDisplayName();
    void factorsFollowThePeak();
    void allZeroCurveKeepsFactorOne();
    void coloursStayVisible();
    void curveDataBasics();
    void largeTimesStayExact();
};

void TestPlotWidgetData::firstValueCreatesCurve()
{
    WorkDir wd;
    Worker w;
    QSignalSpy added(&w.data, &PlotWidgetData::curveAdded);
    w.feed(0, "STAT_A_WERT", "1.5");
    QCOMPARE(added.count(), 1);
    w.feed(100, "STAT_A_WERT", "2.5");
    w.feed(200, "STAT_A_WERT", "3.5");
    QCOMPARE(added.count(), 1);
    CustomQwtCurveData *d = w.curve("STAT_A_WERT");
    QVERIFY(d);
    QCOMPARE(d->pointCount(), qint64(3));
    QCOMPARE(d->sample(2), QPointF(200, 3.5));
    QCOMPARE(w.data.lastElapsed(), qint64(200));
    QCOMPARE(w.data.xValue(), 200.0);
}

void TestPlotWidgetData::values_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<int>("format");
    QTest::addColumn<double>("value");
    QTest::addColumn<bool>("readable");
    QTest::newRow("real") << QByteArray("12.5") << 8 << 12.5 << true;
    QTest::newRow("blanks") << QByteArray(" 3 ") << 8 << 3.0 << true;
    QTest::newRow("negative") << QByteArray("-40") << 2 << -40.0 << true;
    QTest::newRow("exponent") << QByteArray("1e3") << 8 << 1000.0 << true;
    QTest::newRow("text") << QByteArray("OFFEN") << 6 << 0.0 << false;
    QTest::newRow("blank text") << QByteArray(" \t") << 6 << 0.0 << false;
    QTest::newRow("empty") << QByteArray("") << 8 << 0.0 << false;
    QTest::newRow("unit") << QByteArray("12 rpm") << 8 << 0.0 << false;
    QTest::newRow("inf") << QByteArray("inf") << 8 << 0.0 << false;
    QTest::newRow("-inf") << QByteArray("-inf") << 8 << 0.0 << false;
    QTest::newRow("nan") << QByteArray("nan") << 8 << 0.0 << false;
    QTest::newRow("overflow") << QByteArray("1e400") << 8 << 0.0 << false;
    QTest::newRow("binary") << QByteArray("1234") << 7 << 0.0 << false;
}

void TestPlotWidgetData::values()
{
    QFETCH(QByteArray, text);
    QFETCH(int, format);
    QFETCH(double, value);
    QFETCH(bool, readable);
    double y = -1;
    QCOMPARE(PlotWidgetData::readValue(plotResult("R", text.constData(), format), y), readable);
    QCOMPARE(y, value);

    // What is stored is always finite: the y axis never collapses. What is
    // no number is not stored at all, not even as 0.
    WorkDir wd;
    Worker w;
    w.data.onJobResultUpdated(plotResult("R", text.constData(), format), plotJob(1000000 + 10), 0);
    CustomQwtCurveData *d = w.curve("R");
    if (!readable) {
        QVERIFY(!d);
        return;
    }
    QVERIFY(d);
    QCOMPARE(d->rawY(0), value);
    QVERIFY(std::isfinite(d->boundingRect().height()));
}

void TestPlotWidgetData::jobBeforeStartIsDropped()
{
    WorkDir wd;
    Worker w;
    QSignalSpy ready(&w.data, &PlotWidgetData::pointReady);
    w.feed(-1, "R", "5");
    QCOMPARE(ready.count(), 0);
    QVERIFY(w.data.curveMap().isEmpty());
    w.feed(0, "R", "5");
    QCOMPARE(w.curve("R")->sample(0), QPointF(0, 5));

    // A value already on its way when the start time moves is dropped too.
    QVERIFY(!w.data.addPoint(plotPair("R"), 999999, 1.0));
    QCOMPARE(w.curve("R")->pointCount(), qint64(1));
}

void TestPlotWidgetData::acceptedPairsOnly()
{
    WorkDir wd;
    Worker w;
    w.data.setPlotAll(false);
    w.data.setAcceptedPairs({plotPair("B")});
    w.feed(0, "A", "1");
    w.feed(0, "B", "2");
    QCOMPARE(w.data.curveMap().size(), 1);
    QVERIFY(w.curve("B"));
    // The job of that name on another ECU feeds nothing: its values would
    // zig-zag with the chosen ECU's on one curve.
    w.data.onJobResultUpdated(plotResult("B", "3"), plotJob(1000000 + 5, "STATUS_MESSWERTE", "OTHER"), 0);
    QCOMPARE(w.curve("B")->pointCount(), qint64(1));
    // A job without an ECU name (a device's pseudo job) matches by its name.
    w.data.onJobResultUpdated(plotResult("B", "4"), plotJob(1000000 + 6, "STATUS_MESSWERTE", ""), 0);
    QCOMPARE(w.curve("B")->pointCount(), qint64(2));
    // Chosen without an ECU, the result is taken from any ECU's job, each
    // ECU's values on a curve of their own.
    w.data.setAcceptedPairs({plotPair("B", "STATUS_MESSWERTE", "")});
    w.data.onJobResultUpdated(plotResult("B", "5"), plotJob(1000000 + 7, "STATUS_MESSWERTE", "OTHER"), 0);
    QCOMPARE(w.curve("B")->pointCount(), qint64(2));
    QCOMPARE(w.data.curveMap().value(plotPair("B", "STATUS_MESSWERTE", "OTHER"))->curveData()->rawY(0), 5.0);
}

void TestPlotWidgetData::curvesPerEcu_data()
{
    // Values of result R of one job name, fed in this order from the ECUs
    // named ("-": a pseudo job without ECU), and the curves they give.
    QTest::addColumn<QStringList>("fed");
    QTest::addColumn<QStringList>("curves");
    QTest::newRow("two ECUs") << QStringList{"DME", "EGS", "DME"} << QStringList{"DME:1,3", "EGS:2"};
    QTest::newRow("pseudo job joins the ECU's curve")
        << QStringList{"DME", "-", "EGS"} << QStringList{"DME:1,2", "EGS:3"};
    QTest::newRow("pseudo job's curve takes every ECU's value")
        << QStringList{"-", "DME", "EGS"} << QStringList{"-:1,2,3"};
    QTest::newRow("one ECU") << QStringList{"DME", "DME"} << QStringList{"DME:1,2"};
}

void TestPlotWidgetData::curvesPerEcu()
{
    QFETCH(QStringList, fed);
    QFETCH(QStringList, curves);
    WorkDir wd;
    Worker w;
    for (int i = 0; i < fed.size(); ++i) {
        const QByteArray ecu = fed[i] == "-" ? QByteArray() : fed[i].toLatin1();
        w.data.onJobResultUpdated(plotResult("R", QByteArray::number(i + 1).constData()),
                                  plotJob(1000000 + 10 * i, "STATUS_MESSWERTE", ecu.constData()), 0);
    }
    QStringList got;
    for (CustomQwtCurve *c : w.data.curveMap()) {
        const std::string &ecu = c->resultPair()->job.ecuName;
        QStringList ys;
        for (qint64 i = 0; i < c->curveData()->pointCount(); ++i)
            ys << QString::number(c->curveData()->rawY(i));
        got << (ecu.empty() ? QString("-") : QString::fromStdString(ecu)) + ":" + ys.join(',');
    }
    QCOMPARE(got, curves);
    // A curve created ahead of its values for one ECU takes that ECU's only.
    CJobResultPair egs = plotPair("S", "STATUS_MESSWERTE", "EGS");
    w.data.addCurve(egs);
    w.data.onJobResultUpdated(plotResult("S", "7"), plotJob(1000100, "STATUS_MESSWERTE", "DME"), 0);
    QCOMPARE(w.data.curveMap().value(egs)->curveData()->pointCount(), qint64(0));
    QCOMPARE(w.data.curveMap().value(plotPair("S"))->curveData()->pointCount(), qint64(1));
}

void TestPlotWidgetData::titles_data()
{
    QTest::addColumn<QByteArray>("result");
    QTest::addColumn<QByteArray>("display");
    QTest::addColumn<QString>("title");
    QTest::newRow("pattern") << QByteArray("STAT_GESCHWINDIGKEIT_WERT") << QByteArray() << "GESCHWINDIGKEIT";
    QTest::newRow("lower case") << QByteArray("stat_rpm_wert") << QByteArray() << "rpm";
    QTest::newRow("no pattern") << QByteArray("LAMBDA") << QByteArray() << "LAMBDA";
    QTest::newRow("display name") << QByteArray("STAT_RPM_WERT") << QByteArray("Drehzahl") << "Drehzahl";
}

void TestPlotWidgetData::titles()
{
    QFETCH(QByteArray, result);
    QFETCH(QByteArray, display);
    QFETCH(QString, title);
    CJobResultPair pair = plotPair(result.constData());
    pair.resultDisplayName = display.toStdString();
    CustomQwtCurve curve(pair);
    QCOMPARE(curve.title().text(), title);
}

void TestPlotWidgetData::titleFollowsTheDisplayName()
{
    // A source renames a result while it runs (an Innovate input given
    // another function): its curve, in any plot, takes the new name; a
    // value without a display name (from a log) leaves it.
    WorkDir wd;
    Worker w;
    auto point = [&w](qint64 ms, const char *display) {
        CJobResult r = plotResult("AUX4_2", "1.5");
        r.displayName = display;
        w.data.onJobResultUpdated(r, plotJob(1000000 + ms), 0);
    };
    point(0, "AUX4_PRESSURE_2");
    CustomQwtCurve *curve = w.data.curveMap().value(plotPair("AUX4_2"), nullptr);
    QVERIFY(curve);
    QCOMPARE(curve->title().text(), QString("AUX4_PRESSURE_2"));
    point(100, "AUX4_SPEED_2");
    QCOMPARE(w.data.curveMap().size(), 1);
    QCOMPARE(curve->title().text(), QString("AUX4_SPEED_2"));
    QCOMPARE(curve->resultPair()->resultDisplayName, std::string("AUX4_SPEED_2"));
    point(200, "");
    QCOMPARE(curve->title().text(), QString("AUX4_SPEED_2"));
    QCOMPARE(curve->curveData()->pointCount(), qint64(3));
}

void TestPlotWidgetData::factorsFollowThePeak()
{
    WorkDir wd;
    Worker w;
    w.feed(0, "A", "50");
    w.feed(0, "B", "200");
    QCOMPARE(w.curve("A")->factorY(), 1.0);
    QCOMPARE(w.curve("B")->factorY(), 1.0);
    QCOMPARE(w.data.curvePeak(), 200.0);
    QVERIFY(w.data.takeFactorsChanged() == false);
    w.feed(100, "A", "60");
    QCOMPARE(w.curve("A")->factorY(), 200.0 / 60.0);
    QCOMPARE(w.curve("B")->factorY(), 1.0);
    QVERIFY(w.data.takeFactorsChanged());
    // Drawn values are stretched, recorded ones are not.
    QCOMPARE(w.curve("A")->sample(1).y(), 200.0);
    QCOMPARE(w.curve("A")->rawY(1), 60.0);
}

void TestPlotWidgetData::allZeroCurveKeepsFactorOne()
{
    WorkDir wd;
    Worker w;
    w.feed(0, "A", "0");
    w.feed(0, "B", "200");
    w.feed(100, "A", "-5");
    w.feed(100, "B", "300");
    QCOMPARE(w.curve("A")->factorY(), 1.0);
    QCOMPARE(w.curve("B")->factorY(), 1.0);
    CustomQwtCurveData d;
    d.setFactorY(std::nan(""));
    QCOMPARE(d.factorY(), 1.0);
    d.setFactorY(1.0 / 0.0);
    QCOMPARE(d.factorY(), 1.0);
}

void TestPlotWidgetData::coloursStayVisible()
{
    WorkDir wd;
    Worker w;
    QSet<QRgb> first;
    for (int i = 0; i < 15; ++i) {
        const QByteArray name = "R" + QByteArray::number(i + 10);
        w.feed(0, name.constData(), "1");
        const QColor c = w.data.curveMap().value(plotPair(name.constData()))->pen().color();
        QVERIFY2(c.alpha() == 255, name.constData());
        QCOMPARE(w.data.curveMap().value(plotPair(name.constData()))->pen().width(), 2);
    }
    QCOMPARE(w.data.curveMap().value(plotPair("R10"))->pen().color(), QColor(Qt::red));
    QCOMPARE(w.data.curveMap().value(plotPair("R11"))->pen().color(), QColor(Qt::green));
}

void TestPlotWidgetData::curveDataBasics()
{
    CustomQwtCurveData d;
    QCOMPARE(d.sample(0), QPointF(0, 0));
    d.append(10, 5);
    d.append(20, -3);
    d.append(30, 8);
    QCOMPARE(d.boundingRect(), QRectF(0, -3, 30, 11));
    QCOMPARE(d.maxY(), 8.0);
    QCOMPARE(d.minY(), -3.0);
    QCOMPARE(d.sample(5), QPointF(0, 0));
    // A late point keeps the time order that drawing relies on.
    d.append(25, 1);
    QCOMPARE(d.rawX(3), 30.0);
    double lo, hi;
    for (int i = 0; i < 1000; ++i)
        d.append(40 + i, (i == 700) ? 99.0 : std::sin(i));
    d.rawMinMax(5, 1004, lo, hi);
    QCOMPARE(hi, 99.0);
    d.rawMinMax(706, 1004, lo, hi);
    QVERIFY(hi <= 1.0);
    d.setLastDrawnIndex(7);
    d.clear();
    QCOMPARE(d.pointCount(), qint64(0));
    QCOMPARE(d.lastDrawnIndex(), qint64(0));
    QCOMPARE(d.boundingRect(), QRectF());
}

void TestPlotWidgetData::largeTimesStayExact()
{
    WorkDir wd;
    Worker w;
    // 30 days after the start, a float would be off by whole seconds.
    const qint64 ms = 30LL * 24 * 3600 * 1000 + 7;
    w.feed(ms, "R", "1");
    QCOMPARE(w.data.lastElapsed(), ms);
    QCOMPARE(qint64(w.curve("R")->rawX(0)), ms);
}

QTEST_MAIN(TestPlotWidgetData)
#include "tst_plotwidgetdata.moc"
