#include "customtimescaledraw.h"

#include <QtTest>
#include <cmath>
#include <limits>

class TestCustomTimeScaleDraw : public QObject
{
    Q_OBJECT
private slots:
    void labels_data();
    void labels();
    void labelThroughQwt();
};

void TestCustomTimeScaleDraw::labels_data()
{
    QTest::addColumn<double>("ms");
    QTest::addColumn<QString>("label");
    QTest::newRow("zero") << 0.0 << " 0:00";
    QTest::newRow("61000") << 61000.0 << " 1:01";
    QTest::newRow("61500") << 61500.0 << " 1:01.500";
    QTest::newRow("1:02:03") << 3723000.0 << "1:02:03";
    QTest::newRow("hour drops ms") << 3723456.0 << "1:02:03";
    QTest::newRow("ten minutes") << 600000.0 << "10:00";
    QTest::newRow("fraction truncated") << 1500.9 << " 0:01.500";
    QTest::newRow("100 h") << 360000000.0 << "100:00:00";
    QTest::newRow("30 days") << 2592000000.0 << "720:00:00";
    QTest::newRow("negative") << -61000.0 << "-1:01";
    QTest::newRow("negative ms") << -500.0 << "-0:00.500";
    QTest::newRow("negative hours") << -3723000.0 << "-1:02:03";
    QTest::newRow("huge") << 1e300 << "2555555555555:33:20";
    QTest::newRow("huge negative") << -1e300 << "-2555555555555:33:20";
    QTest::newRow("infinity") << std::numeric_limits<double>::infinity() << "2555555555555:33:20";
    QTest::newRow("nan") << std::nan("") << "";
}

void TestCustomTimeScaleDraw::labels()
{
    QFETCH(double, ms);
    QFETCH(QString, label);
    QCOMPARE(CustomTimeScaleDraw::timeLabel(ms), label);
}

void TestCustomTimeScaleDraw::labelThroughQwt()
{
    CustomTimeScaleDraw draw;
    QCOMPARE(draw.label(61500).text(), QStringLiteral(" 1:01.500"));
}

QTEST_GUILESS_MAIN(TestCustomTimeScaleDraw)
#include "tst_customtimescaledraw.moc"
