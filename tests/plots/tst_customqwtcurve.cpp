#include "customqwtcurve.h"
#include "plottestjobs.h"

#include <qwt_scale_map.h>

#include <QImage>
#include <QPainter>
#include <QtTest>
#include <cmath>

namespace {
const int W = 400;
const int H = 300;

// Vertical extent of the painted pixels of each column; -1 where empty.
QVector<QPair<int, int>> columnExtents(const QImage &img)
{
    QVector<QPair<int, int>> out(img.width(), qMakePair(-1, -1));
    for (int x = 0; x < img.width(); ++x) {
        for (int y = 0; y < img.height(); ++y) {
            if (qAlpha(img.pixel(x, y)) < 128)
                continue;
            if (out[x].first < 0)
                out[x].first = y;
            out[x].second = y;
        }
    }
    return out;
}

QImage render(const CustomQwtCurve &curve, double s1, double s2, double y1, double y2, bool reference)
{
    QImage img(W, H, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    QwtScaleMap xMap, yMap;
    xMap.setScaleInterval(s1, s2);
    xMap.setPaintInterval(0, W);
    yMap.setScaleInterval(y1, y2);
    yMap.setPaintInterval(H, 0);
    QPainter p(&img);
    if (reference)
        curve.QwtPlotCurve::drawSeries(&p, xMap, yMap, QRectF(0, 0, W, H), 0, -1);
    else
        curve.drawSeries(&p, xMap, yMap, QRectF(0, 0, W, H), 0, -1);
    return img;
}
} // namespace

class TestCustomQwtCurve : public QObject
{
    Q_OBJECT
private slots:
    void extremesAreReported();
    void thinnedDrawingKeepsEveryPeak_data();
    void thinnedDrawingKeepsEveryPeak();
    void sharedDataIsReleasedOnce();
};

void TestCustomQwtCurve::extremesAreReported()
{
    CJobResultPair pair = plotPair("R");
    CustomQwtCurve curve(pair);
    QSignalSpy maxSpy(&curve, &CustomQwtCurve::maxYChanged);
    QSignalSpy minSpy(&curve, &CustomQwtCurve::minYChanged);
    curve.appendPoint(0, 5);
    curve.appendPoint(1, 3);
    curve.appendPoint(2, 7);
    curve.appendPoint(3, -2);
    QCOMPARE(maxSpy.count(), 2);
    QCOMPARE(maxSpy.last().at(1).toDouble(), 7.0);
    QCOMPARE(minSpy.count(), 1);
    QCOMPARE(curve.rawSample(3), QPointF(3, -2));
    QCOMPARE(curve.rawSample(9), QPointF(0, 0));
}

void TestCustomQwtCurve::thinnedDrawingKeepsEveryPeak_data()
{
    QTest::addColumn<double>("s1");
    QTest::addColumn<double>("s2");
    // 200,000 points on 400 pixels, and visible parts of them.
    QTest::newRow("all") << 0.0 << 200000.0;
    QTest::newRow("middle") << 90000.0 << 130000.0;
    QTest::newRow("narrow") << 123000.0 << 123800.0;
    QTest::newRow("beyond the end") << 150000.0 << 260000.0;
}

void TestCustomQwtCurve::thinnedDrawingKeepsEveryPeak()
{
    QFETCH(double, s1);
    QFETCH(double, s2);
    CJobResultPair pair = plotPair("R");
    CustomQwtCurve curve(pair);
    curve.setRenderHint(QwtPlotItem::RenderAntialiased, false);
    curve.setPaintAttribute(QwtPlotCurve::FilterPoints, false);
    curve.setPen(QPen(Qt::black, 1));
    for (int i = 0; i < 200000; ++i) {
        double y = std::sin(i / 50.0) * 10.0 + ((i * 7919) % 13) * 0.3;
        if (i == 123456)
            y = 95.0; // one lonely peak
        if (i == 123457)
            y = -95.0;
        curve.appendPoint(i, y);
    }
    curve.curveData()->setFactorY(0.9);

    const QImage thinned = render(curve, s1, s2, -100, 100, false);
    const QImage reference = render(curve, s1, s2, -100, 100, true);
    const auto a = columnExtents(thinned);
    const auto b = columnExtents(reference);
    for (int x = 0; x < W; ++x) {
        QVERIFY2((a[x].first < 0) == (b[x].first < 0), qPrintable(QString("column %1").arg(x)));
        if (a[x].first < 0)
            continue;
        QVERIFY2(qAbs(a[x].first - b[x].first) <= 2 && qAbs(a[x].second - b[x].second) <= 2,
                 qPrintable(QString("column %1: %2..%3 vs %4..%5")
                                .arg(x).arg(a[x].first).arg(a[x].second).arg(b[x].first).arg(b[x].second)));
    }
}

void TestCustomQwtCurve::sharedDataIsReleasedOnce()
{
    // Under AddressSanitizer a second release would fail here.
    auto *first = new CustomQwtCurve;
    auto *second = new CustomQwtCurve;
    second->setCurveData(first->curveData());
    first->appendPoint(1, 2);
    QCOMPARE(second->dataSize(), size_t(1));
    QCOMPARE(second->sample(0), QPointF(1, 2));
    delete second;
    delete first;

    auto *third = new CustomQwtCurve;
    auto *data = new CustomQwtCurveData;
    third->setCurveData(data);
    QCOMPARE(third->curveData(), data);
    delete third;
}

QTEST_MAIN(TestCustomQwtCurve)
#include "tst_customqwtcurve.moc"
