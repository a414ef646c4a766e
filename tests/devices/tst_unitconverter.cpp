// The units of sensor inputs: codes, the units offered per measurement
// type, and every supported conversion with its single-precision constants.
#include "unitconverter.h"

#include <QtTest>

class TestUnitConverter : public QObject
{
    Q_OBJECT
private slots:
    void convert_data();
    void convert();
    void codesAndTypes();
};

void TestUnitConverter::convert_data()
{
    QTest::addColumn<int>("from");
    QTest::addColumn<int>("to");
    QTest::addColumn<float>("value");
    QTest::addColumn<double>("expected");
    QTest::newRow("degC degF") << 0 << 1 << 100.0f << 211.99999523162842;
    QTest::newRow("degC degF 0") << 0 << 1 << 0.0f << 32.0;
    QTest::newRow("bar kPa") << 2 << 9 << 1.5f << 150.0;
    QTest::newRow("bar PSI") << 2 << 3 << 2.0f << 2 * 14.5037738007;
    QTest::newRow("bar inHG") << 2 << 4 << 1.0f << 29.52998307099999;
    QTest::newRow("PSI kPa") << 3 << 9 << 1.0f << 6.894757;
    QTest::newRow("RPM Hz") << 6 << 5 << 6000.0f << 6000 * 0.0166666666666667;
    QTest::newRow("km/h mph") << 7 << 8 << 100.0f << 62.13712;
    QTest::newRow("kPa PSI") << 9 << 3 << 100.0f << 100 / double(6.8947573f);
    QTest::newRow("kPa bar") << 9 << 2 << 250.0f << 250 * double(0.01f);
    QTest::newRow("a tenth in single precision") << 2 << 9 << 0.1f << double(0.1f) * 100;
    QTest::newRow("degF degC") << 1 << 0 << 50.0f << -999.0;
    QTest::newRow("PSI bar") << 3 << 2 << 1.0f << -999.0;
    QTest::newRow("PSI PSI") << 3 << 3 << 1.0f << -999.0;
    QTest::newRow("mph km/h") << 8 << 7 << 1.0f << -999.0;
    QTest::newRow("no unit") << -999 << 0 << 1.0f << -999.0;
}

void TestUnitConverter::convert()
{
    QFETCH(int, from);
    QFETCH(int, to);
    QFETCH(float, value);
    QFETCH(double, expected);
    UnitConverter converter;
    const double got = converter.convert(from, to, &value);
    QVERIFY2(got == expected, qPrintable(QString::number(got, 'g', 17)));
}

void TestUnitConverter::codesAndTypes()
{
    UnitConverter converter;
    QCOMPARE(converter.unitCode("%"), 13);
    QCOMPARE(converter.unitCode("AFR"), -1);
    QCOMPARE(converter.unitCode("kPa"), 9);
    QCOMPARE(converter.unitCode("psi"), -1);
    QCOMPARE(converter.unitCode(""), -1);
    QCOMPARE(converter.unitsForType(0), (QStringList{"degC", "degF"}));
    QCOMPARE(converter.unitsForType(1), (QStringList{"bar", "PSI", "kPa", "inHG"}));
    QCOMPARE(converter.unitsForType(2), (QStringList{"RPM", "Hz"}));
    QCOMPARE(converter.unitsForType(3), (QStringList{"km/h", "mph"}));
    QCOMPARE(converter.unitsForType(4), QStringList{"AFR"});
    QCOMPARE(converter.unitsForType(5), QStringList{"g"});
    QCOMPARE(converter.unitsForType(6), QStringList());
    QCOMPARE(converter.unitsForType(7), QStringList());
    QCOMPARE(converter.unitName(12), QString("%"));
    QCOMPARE(converter.measurementType(11), 6);
    QCOMPARE(converter.measurementType(13), -1);
    QCOMPARE(converter.measurementType(-999), 8);
    QCOMPARE(converter.unitName(-999), QString());
    QCOMPARE(converter.convert(0, 1, nullptr), -999.0);
}

QTEST_GUILESS_MAIN(TestUnitConverter)
#include "tst_unitconverter.moc"
