// The dial, the dial with its title, the text line and their label: value
// texts, needle angles, the square dial, auto-scale and its redraws, label
// fonts, the 7-segment digits and what a painted dial shows.
#include "basicgauge.h"
#include "gaugewidget.h"
#include "mylabel.h"
#include "textvaluewidget.h"

#include <QFontInfo>
#include <QImage>
#include <QResizeEvent>
#include <QtTest>

#include <cmath>
#include <limits>

class TestGaugeWidgets : public QObject
{
    Q_OBJECT
private slots:
    void valueTexts_data();
    void valueTexts();
    void anglesFollowTheScale_data();
    void anglesFollowTheScale();
    void degenerateRangesDrawOneUnit_data();
    void degenerateRangesDrawOneUnit();
    void dialBecomesSquare();
    void autoScaleMovesOnlyPassedLimits();
    void autoScaleComparesConvertedValues();
    void autoScaleOffKeepsTheScale();
    void labelFontsFollowHeight_data();
    void labelFontsFollowHeight();
    void textLineShowsTitleValueAndUnit();
    void textLineValueShowsWhole_data();
    void textLineValueShowsWhole();
    void oddRangesAndValuesPaintWithoutWarnings_data();
    void oddRangesAndValuesPaintWithoutWarnings();
    void valueDigitsUseTheSevenSegmentFont();
    void valueTextShowsWhole_data();
    void valueTextShowsWhole();
    void needlePointsUpAtHalfScale();
    void fillColourShowsInsideTheArc();
    void pressIsAnnouncedAndPassedOn();
};

namespace {
const double notNumber = std::numeric_limits<double>::quiet_NaN();
const double inf = std::numeric_limits<double>::infinity();

GaugeDef makeDef(double min, double max, int decimals = -1, double factor = 1.0)
{
    GaugeDef def;
    def.name = "OIL";
    def.jobName = "MW_SELECT_LESEN_NORM";
    def.resultName = "STAT_OILTEMP_WERT";
    def.min = min;
    def.max = max;
    def.title = "Oil";
    def.unit = "degC";
    def.decimals = decimals;
    def.conversionFactor = factor;
    def.needleColor = QColor("#ff0000");
    def.color = QColor("#00ff00");
    def.textColor = QColor("#ffffff");
    def.titleColor = QColor("#ffffff");
    return def;
}

// Shows the widget and waits until the dial has laid out its background.
bool settle(QWidget *top, BasicGauge *gauge)
{
    top->show();
    if (!QTest::qWaitForWindowExposed(top))
        return false;
    return QTest::qWaitFor([&]() { return !gauge->isResizing() && !gauge->background().isNull(); }, 2000);
}

bool near(const QColor &a, const QColor &b)
{
    return std::abs(a.red() - b.red()) < 60 && std::abs(a.green() - b.green()) < 60
        && std::abs(a.blue() - b.blue()) < 60;
}

QStringList warnings;
void collectWarnings(QtMsgType type, const QMessageLogContext &, const QString &text)
{
    if (type != QtDebugMsg && type != QtInfoMsg)
        warnings << text;
}
} // namespace

void TestGaugeWidgets::valueTexts_data()
{
    QTest::addColumn<int>("decimals");
    QTest::addColumn<double>("factor");
    QTest::addColumn<double>("input");
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("shown");
    QTest::newRow("one decimal") << 1 << 1.0 << 12.345 << "12.3" << 12.345;
    QTest::newRow("general") << -1 << 1.0 << 12.345 << "12.345" << 12.345;
    QTest::newRow("general, large") << -1 << 1.0 << 1234567.0 << "1.23457e+06" << 1234567.0;
    QTest::newRow("general, small") << -1 << 1.0 << 0.00001234 << "1.234e-05" << 0.00001234;
    QTest::newRow("no decimals") << 0 << 1.0 << 99.6 << "100" << 99.6;
    QTest::newRow("factor") << -1 << 0.1 << 250.0 << "25" << 25.0;
    QTest::newRow("not a number") << -1 << 1.0 << notNumber << "nan" << notNumber;
    QTest::newRow("infinite") << 2 << 1.0 << inf << "inf" << inf;
    QTest::newRow("minus infinite") << -1 << 1.0 << -inf << "-inf" << -inf;
}

void TestGaugeWidgets::valueTexts()
{
    QFETCH(int, decimals);
    QFETCH(double, factor);
    QFETCH(double, input);
    QFETCH(QString, text);
    QFETCH(double, shown);
    const GaugeDef def = makeDef(0, 100, decimals, factor);

    BasicGauge gauge;
    gauge.setGaugeDef(def);
    gauge.setValue(input);
    QCOMPARE(gauge.valueText(), text);

    TextValueWidget line;
    line.setGaugeDef(def);
    line.setValue(input);
    line.refresh();
    QCOMPARE(line.valueText(), text);
    QCOMPARE(line.valueLabel()->text(), text);
    if (std::isnan(shown)) {
        QVERIFY(std::isnan(gauge.value()) && std::isnan(line.value()));
    } else {
        QCOMPARE(gauge.value(), shown);
        QCOMPARE(line.value(), shown);
    }
}

void TestGaugeWidgets::anglesFollowTheScale_data()
{
    QTest::addColumn<double>("min");
    QTest::addColumn<double>("max");
    QTest::addColumn<double>("value");
    QTest::addColumn<double>("angle");
    QTest::newRow("start") << 0.0 << 100.0 << 0.0 << 225.0;
    QTest::newRow("half") << 0.0 << 100.0 << 50.0 << 90.0;
    QTest::newRow("end") << 0.0 << 100.0 << 100.0 << -45.0;
    QTest::newRow("past the end") << 0.0 << 100.0 << 150.0 << -180.0;
    QTest::newRow("below the start") << 0.0 << 100.0 << -50.0 << 360.0;
    QTest::newRow("negative scale") << -10.0 << 10.0 << 0.0 << 90.0;
}

void TestGaugeWidgets::anglesFollowTheScale()
{
    QFETCH(double, min);
    QFETCH(double, max);
    QFETCH(double, value);
    QFETCH(double, angle);
    BasicGauge gauge;
    gauge.setGaugeDef(makeDef(min, max));
    QCOMPARE(gauge.angleOf(value), angle);
}

void TestGaugeWidgets::degenerateRangesDrawOneUnit_data()
{
    QTest::addColumn<double>("min");
    QTest::addColumn<double>("max");
    QTest::addColumn<double>("drawnMin");
    QTest::addColumn<double>("drawnMax");
    QTest::newRow("both 0") << 0.0 << 0.0 << 0.0 << 1.0;
    QTest::newRow("equal") << 5.0 << 5.0 << 5.0 << 6.0;
    QTest::newRow("max infinite") << 5.0 << inf << 5.0 << 6.0;
    QTest::newRow("min not a number") << notNumber << 10.0 << 0.0 << 1.0;
    // Min + 1 is Min again that far out: the unit range at 0 instead.
    QTest::newRow("span overflows") << -1e308 << 1e308 << 0.0 << 1.0;
}

void TestGaugeWidgets::degenerateRangesDrawOneUnit()
{
    QFETCH(double, min);
    QFETCH(double, max);
    QFETCH(double, drawnMin);
    QFETCH(double, drawnMax);
    BasicGauge gauge;
    const GaugeDef def = makeDef(min, max);
    gauge.setGaugeDef(def);
    QCOMPARE(gauge.scaleMin(), drawnMin);
    QCOMPARE(gauge.scaleMax(), drawnMax);
    QVERIFY(std::isfinite(gauge.angleOf(drawnMin)));
    QVERIFY(!gauge.scaleDiv().ticks(QwtScaleDiv::MajorTick).isEmpty());
    // The definition stays as it was given.
    QCOMPARE(gauge.gaugeDef().min == min || (std::isnan(min) && std::isnan(gauge.gaugeDef().min)), true);
    QCOMPARE(gauge.gaugeDef().max, max);
}

void TestGaugeWidgets::dialBecomesSquare()
{
    BasicGauge gauge;
    gauge.setGaugeDef(makeDef(0, 100));
    gauge.resize(208, 300);
    QVERIFY(settle(&gauge, &gauge));
    QCOMPARE(gauge.size(), QSize(208, 208));
    QCOMPARE(gauge.background().size(), QSize(208, 208));
    QCOMPARE(gauge.dialRect(), QRectF(4, 4, 200, 200));
    // A sixth of the dial at most: less where the digits need the room.
    QVERIFY(gauge.valueFont().pointSize() <= 200 / 6);
}

void TestGaugeWidgets::autoScaleMovesOnlyPassedLimits()
{
    GaugeWidget widget;
    widget.setGaugeDef(makeDef(0, 100));
    widget.setAutoScale(true);
    widget.resize(220, 260);
    QVERIFY(settle(&widget, widget.gauge()));
    const int draws = widget.gauge()->backgroundDraws();

    // In range, and at either limit: the scale stays and so does the picture.
    for (double v : {50.0, 0.0, 100.0, 100.0})
        widget.setValue(v);
    QCOMPARE(widget.gauge()->backgroundDraws(), draws);

    widget.setValue(130);
    QCOMPARE(widget.gaugeDef().max, 130.0);
    QCOMPARE(widget.gauge()->gaugeDef().max, 130.0);
    QCOMPARE(widget.gauge()->scaleMax(), 130.0);
    QCOMPARE(widget.gauge()->backgroundDraws(), draws + 1);
    widget.setValue(130);
    QCOMPARE(widget.gauge()->backgroundDraws(), draws + 1);

    widget.setValue(-5);
    QCOMPARE(widget.gaugeDef().min, -5.0);
    QCOMPARE(widget.gauge()->scaleMin(), -5.0);
    QCOMPARE(widget.gaugeDef().max, 130.0);
    QCOMPARE(widget.gauge()->backgroundDraws(), draws + 2);
    widget.setValue(-5);
    QCOMPARE(widget.gauge()->backgroundDraws(), draws + 2);

    // A value that is no number moves no limit and draws no needle.
    widget.setValue(notNumber);
    widget.setValue(inf);
    QCOMPARE(widget.gaugeDef().max, 130.0);
    QCOMPARE(widget.gaugeDef().min, -5.0);
    QCOMPARE(widget.gauge()->backgroundDraws(), draws + 2);
    QCOMPARE(widget.gauge()->valueText(), QString("inf"));
}

void TestGaugeWidgets::autoScaleComparesConvertedValues()
{
    // A generated definition (0..1) sitting at 0 before any data arrives.
    GaugeWidget fresh;
    fresh.setGaugeDef(makeDef(0, 1));
    fresh.setAutoScale(true);
    const int before = fresh.gauge()->backgroundDraws();
    for (int frame = 0; frame < 5; ++frame)
        fresh.setValue(0);
    QCOMPARE(fresh.gauge()->backgroundDraws(), before);

    GaugeWidget scaled;
    scaled.setGaugeDef(makeDef(0, 100, -1, 0.1));
    scaled.setAutoScale(true);
    scaled.setValue(500); // shows 50: inside the scale
    QCOMPARE(scaled.gaugeDef().max, 100.0);
    scaled.setValue(1500); // shows 150
    QCOMPARE(scaled.gaugeDef().max, 150.0);
    QCOMPARE(scaled.gauge()->value(), 150.0);
    QCOMPARE(scaled.gauge()->angleOf(scaled.gauge()->value()), -45.0);
}

void TestGaugeWidgets::autoScaleOffKeepsTheScale()
{
    GaugeWidget widget;
    widget.setGaugeDef(makeDef(0, 100));
    widget.setValue(130);
    widget.setValue(-5);
    QCOMPARE(widget.gaugeDef().max, 100.0);
    QCOMPARE(widget.gaugeDef().min, 0.0);
    QCOMPARE(widget.gauge()->value(), -5.0);
}

void TestGaugeWidgets::labelFontsFollowHeight_data()
{
    QTest::addColumn<QString>("label");
    QTest::addColumn<int>("height");
    QTest::addColumn<int>("points");
    QTest::newRow("title 60") << "title" << 60 << 20;
    QTest::newRow("value 60") << "value" << 60 << 20;
    QTest::newRow("unit 60") << "unit" << 60 << 16;
    QTest::newRow("title 120") << "title" << 120 << 32;
    QTest::newRow("value 120") << "value" << 120 << 32;
    QTest::newRow("unit 120") << "unit" << 120 << 16;
    QTest::newRow("value 9") << "value" << 9 << 9;
}

void TestGaugeWidgets::labelFontsFollowHeight()
{
    QFETCH(QString, label);
    QFETCH(int, height);
    QFETCH(int, points);
    TextValueWidget line;
    MyLabel *l = label == "title" ? line.titleLabel() : label == "value" ? line.valueLabel() : line.unitLabel();
    QResizeEvent event(QSize(150, height), l->size());
    QCoreApplication::sendEvent(l, &event);
    QCOMPARE(l->font().pointSize(), points);
    QVERIFY(l->underline());

    // A dial's title: at least 12 points.
    GaugeWidget gauge;
    QResizeEvent small(QSize(150, 18), gauge.titleLabel()->size());
    QCoreApplication::sendEvent(gauge.titleLabel(), &small);
    QCOMPARE(gauge.titleLabel()->font().pointSize(), 12);
}

void TestGaugeWidgets::textLineShowsTitleValueAndUnit()
{
    TextValueWidget line;
    line.setGaugeDef(makeDef(0, 100, 0));
    line.setValue(1172);
    line.refresh();
    line.resize(900, 60);
    line.show();
    QVERIFY(QTest::qWaitForWindowExposed(&line));
    QTRY_COMPARE(line.unitLabel()->height(), 60);
    QCOMPARE(line.titleLabel()->text(), QString("Oil"));
    QCOMPARE(line.valueLabel()->text(), QString("1172"));
    QCOMPARE(line.unitLabel()->text(), QString("degC"));
    // Side by side, the unit inside the line at its right end.
    QVERIFY(line.rect().contains(line.unitLabel()->geometry()));
    QCOMPARE(line.unitLabel()->geometry().right(), line.rect().right());
    QVERIFY(line.valueLabel()->geometry().right() < line.unitLabel()->geometry().left());
    QCOMPARE(line.unitLabel()->font().pointSize(), 16);
    QCOMPARE(line.valueLabel()->font().pointSize(), 20);
}

void TestGaugeWidgets::textLineValueShowsWhole_data()
{
    QTest::addColumn<int>("width");
    QTest::addColumn<double>("value");
    // A text line of the demo's screen "all" in a narrow window, with a
    // long title beside the value.
    QTest::newRow("wide, general") << 900 << 2247.61234;
    QTest::newRow("narrow, general") << 340 << 2247.61234;
    QTest::newRow("narrow, exponent") << 420 << -1234567.8;
    QTest::newRow("very narrow, exponent") << 260 << -1234567.8;
}

void TestGaugeWidgets::textLineValueShowsWhole()
{
    QFETCH(int, width);
    QFETCH(double, value);
    GaugeDef def = makeDef(0, 5000);
    def.title = "Air per cylinder";
    def.unit = "mg/stroke";
    TextValueWidget line;
    line.setGaugeDef(def);
    line.resize(width, 60);
    line.show();
    QVERIFY(QTest::qWaitForWindowExposed(&line));
    // A short value first: the font it gets must not cut the longer one.
    line.setValue(7);
    line.refresh();
    QTRY_COMPARE(line.unitLabel()->height(), 60);
    line.setValue(value);
    line.refresh();
    MyLabel *shown = line.valueLabel();
    const int textWidth = QFontMetrics(shown->font()).horizontalAdvance(shown->text());
    QVERIFY2(textWidth <= shown->contentsRect().width(),
             qPrintable(QString("%1: %2 in %3").arg(shown->text()).arg(textWidth).arg(shown->contentsRect().width())));
    // Fitted to the height as before where the width allows it.
    if (width >= 900)
        QCOMPARE(shown->font().pointSize(), 20);
}

void TestGaugeWidgets::oddRangesAndValuesPaintWithoutWarnings_data()
{
    QTest::addColumn<double>("min");
    QTest::addColumn<double>("max");
    QTest::addColumn<double>("value");
    QTest::newRow("min = max") << 0.0 << 0.0 << 0.0;
    QTest::newRow("not a number") << 0.0 << 100.0 << notNumber;
    QTest::newRow("infinite") << 0.0 << 100.0 << -inf;
    QTest::newRow("far outside") << 0.0 << 100.0 << 1e307;
    QTest::newRow("min not a number") << notNumber << notNumber << 3.0;
}

void TestGaugeWidgets::oddRangesAndValuesPaintWithoutWarnings()
{
    QFETCH(double, min);
    QFETCH(double, max);
    QFETCH(double, value);
    GaugeWidget widget;
    widget.setGaugeDef(makeDef(min, max));
    widget.setAutoScale(true);
    widget.resize(200, 240);
    QVERIFY(settle(&widget, widget.gauge()));
    warnings.clear();
    const QtMessageHandler previous = qInstallMessageHandler(collectWarnings);
    widget.setValue(value);
    const QImage image = widget.grab().toImage();
    qInstallMessageHandler(previous);
    QVERIFY2(warnings.isEmpty(), qPrintable(warnings.join('\n')));
    QVERIFY(!image.isNull());
}

void TestGaugeWidgets::valueDigitsUseTheSevenSegmentFont()
{
    BasicGauge gauge;
    QCOMPARE(gauge.valueFont().family(), QString("digital counter 7"));
    QCOMPARE(QFontInfo(gauge.valueFont()).family(), QString("DSEG7 Classic"));
}

void TestGaugeWidgets::valueTextShowsWhole_data()
{
    QTest::addColumn<int>("side");
    QTest::addColumn<double>("min");
    QTest::addColumn<double>("max");
    QTest::addColumn<int>("decimals");
    QTest::addColumn<QString>("unit");
    QTest::addColumn<double>("value");
    // The demo's screen "all" at 960 x 750 gives dials of about 200 pixels,
    // its screen "dash" about 330, and on a wide screen 480.
    QTest::newRow("coolant, general") << 200 << 0.0 << 100.0 << -1 << "°C" << 54.2031;
    QTest::newRow("engine speed, general") << 200 << 0.0 << 5000.0 << -1 << "1/min" << 2247.6;
    QTest::newRow("engine speed, dash") << 330 << 0.0 << 5000.0 << 0 << "1/min" << 2487.0;
    QTest::newRow("engine speed, wide") << 480 << 0.0 << 5000.0 << 0 << "1/min" << 1530.0;
    QTest::newRow("small dial") << 90 << 0.0 << 5000.0 << 0 << "1/min" << 4999.0;
    QTest::newRow("negative, decimals") << 200 << -10.0 << 10.0 << 2 << "°C" << -9.87;
    QTest::newRow("beyond the scale") << 200 << 0.0 << 100.0 << -1 << "°C" << 1234567.0;
    QTest::newRow("small value, general") << 200 << 0.0 << 2.0 << -1 << "-" << 0.0123457;
}

void TestGaugeWidgets::valueTextShowsWhole()
{
    QFETCH(int, side);
    QFETCH(double, min);
    QFETCH(double, max);
    QFETCH(int, decimals);
    QFETCH(QString, unit);
    QFETCH(double, value);
    GaugeDef def = makeDef(min, max, decimals);
    def.unit = unit;
    // No needle: what the paint adds to the background is then the value.
    def.needleColor = QColor(0, 0, 0, 0);
    def.textColor = QColor("#00ff00");
    BasicGauge gauge;
    gauge.setGaugeDef(def);
    gauge.resize(side, side);
    QVERIFY(settle(&gauge, &gauge));
    gauge.setValue(value);
    const QImage background = gauge.background().toImage().convertToFormat(QImage::Format_RGB32);
    const QImage shown = gauge.grab().toImage().convertToFormat(QImage::Format_RGB32);
    QCOMPARE(shown.size(), background.size());

    QRect digits;
    for (int y = 0; y < shown.height(); ++y)
        for (int x = 0; x < shown.width(); ++x)
            if (shown.pixel(x, y) != background.pixel(x, y))
                digits |= QRect(x, y, 1, 1);
    QVERIFY2(!digits.isEmpty(), qPrintable(gauge.valueText()));
    // Clear of every edge: a text cut by the widget reaches one.
    QVERIFY2(gauge.rect().adjusted(1, 1, -1, -1).contains(digits),
             qPrintable(QString("%1 at %2,%3 %4x%5 in %6").arg(gauge.valueText()).arg(digits.x()).arg(digits.y())
                            .arg(digits.width()).arg(digits.height()).arg(side)));
    // Over nothing of the scale: no label, tick, arc or unit under it.
    for (int y = digits.top(); y <= digits.bottom(); ++y)
        for (int x = digits.left(); x <= digits.right(); ++x)
            QVERIFY2(qGray(background.pixel(x, y)) < 40,
                     qPrintable(QString("%1 covers the scale at %2,%3").arg(gauge.valueText()).arg(x).arg(y)));
    // And not shrunk to nothing: the digits stay readable.
    QVERIFY2(digits.height() >= side / 12, qPrintable(QString::number(digits.height())));
}

void TestGaugeWidgets::needlePointsUpAtHalfScale()
{
    BasicGauge gauge;
    gauge.setGaugeDef(makeDef(0, 100));
    gauge.resize(200, 200);
    QVERIFY(settle(&gauge, &gauge));
    gauge.setValue(50);
    const QImage image = gauge.grab().toImage();
    const QPointF c = gauge.dialRect().center();
    const double length = (gauge.dialRect().width() - 2) / 2;
    const QColor red("#ff0000");
    // Along the needle above the centre, and nowhere the same distance below.
    for (double f : {0.2, 0.4, 0.6}) {
        QVERIFY2(near(image.pixelColor(int(c.x()), int(c.y() - f * length)), red), qPrintable(QString::number(f)));
        QVERIFY(!near(image.pixelColor(int(c.x()), int(c.y() + f * length * 0.5)), red));
    }
    // A value that is no number takes the needle away.
    gauge.setValue(notNumber);
    const QImage without = gauge.grab().toImage();
    QVERIFY(!near(without.pixelColor(int(c.x()), int(c.y() - 0.4 * length)), red));
}

void TestGaugeWidgets::fillColourShowsInsideTheArc()
{
    GaugeDef def = makeDef(0, 100);
    def.fillColor = QColor("#2040a0");
    BasicGauge filled;
    filled.setGaugeDef(def);
    filled.resize(200, 200);
    QVERIFY(settle(&filled, &filled));
    filled.setValue(0);
    // Left of the centre, between the needle's rest and the digits.
    const QPoint inside(70, 100);
    QVERIFY(near(filled.grab().toImage().pixelColor(inside), def.fillColor));

    BasicGauge plain;
    plain.setGaugeDef(makeDef(0, 100));
    plain.resize(200, 200);
    QVERIFY(settle(&plain, &plain));
    QVERIFY(near(plain.grab().toImage().pixelColor(inside), Qt::black));
}

void TestGaugeWidgets::pressIsAnnouncedAndPassedOn()
{
    struct Parent : QWidget
    {
        int presses = 0;
        void mousePressEvent(QMouseEvent *) override { ++presses; }
    } parent;
    auto *widget = new GaugeWidget(&parent);
    widget->resize(200, 240);
    parent.resize(200, 240);
    parent.show();
    QVERIFY(QTest::qWaitForWindowExposed(&parent));
    QSignalSpy clicked(widget, &GaugeWidget::clicked);
    QTest::mouseClick(widget->gauge(), Qt::LeftButton, Qt::NoModifier, QPoint(20, 20));
    QCOMPARE(clicked.count(), 1);
    QCOMPARE(clicked.first().first().value<GaugeWidget *>(), widget);
    QCOMPARE(parent.presses, 1);
}

QTEST_MAIN(TestGaugeWidgets)
#include "tst_gaugewidgets.moc"
