// ExactNumber: the number a result carries (its typed value where its text
// only shows it rounded, else the text's own), and texts that read back as
// the same double.
#include "cjobresult.h"
#include "exactnumber.h"
#include "exponenttext.h"

#include <QtTest>
#include <cmath>
#include <limits>

class TestExactNumber : public QObject
{
    Q_OBJECT
private slots:
    void resultValue_data();
    void resultValue();
    void sourceRawBytesAreNoNumber();
    void writesWhatReadsBack_data();
    void writesWhatReadsBack();
};

void TestExactNumber::resultValue_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<int>("format");
    QTest::addColumn<double>("typed");
    QTest::addColumn<bool>("isNumber");
    QTest::addColumn<double>("value");
    QTest::newRow("%E of a real") << ExponentText::of(12345.678) << 8 << 12345.678 << true << 12345.678;
    QTest::newRow("%E of 0.1 + 0.2") << ExponentText::of(0.1 + 0.2) << 8 << 0.1 + 0.2 << true << 0.1 + 0.2;
    QTest::newRow("real shown with one decimal") << QByteArray("12.3") << 8 << 12.345 << true << 12.345;
    QTest::newRow("dword counter") << QByteArray("4294967295") << 5 << 4294967295.0 << true << 4294967295.0;
    QTest::newRow("negative long") << QByteArray("-2147483648") << 4 << -2147483648.0 << true << -2147483648.0;
    // A text that is not the typed value rounded: the text's own number.
    QTest::newRow("text disagrees") << QByteArray("25.5") << 3 << 255.0 << true << 25.5;
    QTest::newRow("typed value unset") << QByteArray("3.500000") << 8 << 0.0 << true << 3.5;
    QTest::newRow("a text that is a number") << QByteArray(" 12.50\t") << 6 << 0.0 << true << 12.5;
    // No number: whatever the typed value says.
    QTest::newRow("hex bytes") << QByteArray("1234") << 7 << 4660.0 << false << 0.0;
    QTest::newRow("empty") << QByteArray("") << 8 << 0.0 << false << 0.0;
    QTest::newRow("blanks") << QByteArray(" \t ") << 8 << 0.0 << false << 0.0;
    QTest::newRow("text") << QByteArray("OKAY") << 6 << 0.0 << false << 0.0;
    QTest::newRow("nan") << QByteArray("nan") << 8 << 0.0 << false << 0.0;
    QTest::newRow("inf") << QByteArray("-inf") << 8 << 0.0 << false << 0.0;
    QTest::newRow("sign only") << QByteArray("-") << 8 << 0.0 << false << 0.0;
    QTest::newRow("point only") << QByteArray(".") << 8 << 0.0 << false << 0.0;
    QTest::newRow("exponent only") << QByteArray("e5") << 8 << 0.0 << false << 0.0;
    QTest::newRow("decimal comma") << QByteArray("3,5") << 8 << 3.5 << false << 0.0;
    QTest::newRow("overflow") << QByteArray("1e400") << 8 << 0.0 << false << 0.0;
}

void TestExactNumber::resultValue()
{
    QFETCH(QByteArray, text);
    QFETCH(int, format);
    QFETCH(double, typed);
    QFETCH(bool, isNumber);
    QFETCH(double, value);
    double got = -1.0;
    QCOMPARE(ExactNumber::resultValue(text.constData(), format, typed, got), isNumber);
    if (isNumber)
        QCOMPARE(QString::number(got, 'g', 17), QString::number(value, 'g', 17));
}

void TestExactNumber::sourceRawBytesAreNoNumber()
{
    // An external source's raw bytes come as a "string" of hex digits; the
    // same digits as an ECU's text are that text's number.
    CJobResult r;
    r.format = 6;
    r.setTextValue("0012");
    double value = -1.0;
    r.typeName = "string";
    QVERIFY(!ExactNumber::resultValue(r, value));
    QCOMPARE(value, 0.0);
    r.typeName = "text";
    QVERIFY(ExactNumber::resultValue(r, value));
    QCOMPARE(value, 12.0);
    // A whole result reads as its parts do.
    r.typeName = "real";
    r.format = 8;
    r.realValue = 12345.678;
    r.setTextValue(ExponentText::of(12345.678).constData());
    QVERIFY(ExactNumber::resultValue(r, value));
    QCOMPARE(value, 12345.678);
}

void TestExactNumber::writesWhatReadsBack_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("text");
    QTest::newRow("0") << 0.0 << "0";
    QTest::newRow("whole") << 1234567.0 << "1234567";
    QTest::newRow("real") << 12345.678 << "12345.678";
    QTest::newRow("shortest") << 0.1 + 0.2 << "0.30000000000000004";
    QTest::newRow("a millionth") << 1e-6 << "0.000001";
    QTest::newRow("below a millionth") << -1.5e-7 << "-1.5e-07";
    // As many digits either way: the exact ones.
    QTest::newRow("below 1e21") << 123456789012345678901.0 << "123456789012345683968";
    QTest::newRow("1e21") << 1e21 << "1e+21";
    QTest::newRow("largest") << std::numeric_limits<double>::max() << "1.7976931348623157e+308";
    QTest::newRow("smallest") << std::numeric_limits<double>::denorm_min() << "5e-324";
}

void TestExactNumber::writesWhatReadsBack()
{
    QFETCH(double, value);
    QFETCH(QString, text);
    QCOMPARE(ExactNumber::of(value), text);
    double back = 0.0;
    QVERIFY(ExactNumber::read(text, back));
    QCOMPARE(QString::number(back, 'g', 17), QString::number(value, 'g', 17));
    QString comma = text;
    comma.replace('.', ',');
    QCOMPARE(ExactNumber::of(value, ','), comma);
}

QTEST_APPLESS_MAIN(TestExactNumber)
#include "tst_exactnumber.moc"
