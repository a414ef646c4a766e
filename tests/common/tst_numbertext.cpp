// The one rule by which outside text becomes a number: a field of blanks,
// a lone sign or point, "nan" and "inf" are none (Qt's QByteArray
// conversions take blanks as 0); blanks around a number are allowed, and
// the value is the one the full conversion gives, in double and in single
// precision, from bytes and from a QString alike.
#include "numbertext.h"

#include <QtTest>

#include <cmath>
#include <cstdlib>

class TestNumberText : public QObject
{
    Q_OBJECT
private slots:
    void cases_data();
    void cases();
    void decimalComma_data();
    void decimalComma();
    void agreesWithFullConversion();
    void longTexts();
};

void TestNumberText::cases_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<bool>("number");
    QTest::addColumn<double>("value");

    // No digit: no number.
    QTest::newRow("empty") << QByteArray() << false << 0.0;
    QTest::newRow("one blank") << QByteArray(" ") << false << 0.0;
    QTest::newRow("blanks and tab") << QByteArray("   \t") << false << 0.0;
    QTest::newRow("line end only") << QByteArray("\r\n") << false << 0.0;
    QTest::newRow("minus") << QByteArray("-") << false << 0.0;
    QTest::newRow("plus, blanks") << QByteArray(" + ") << false << 0.0;
    QTest::newRow("point") << QByteArray(".") << false << 0.0;
    QTest::newRow("minus point") << QByteArray("-.") << false << 0.0;
    QTest::newRow("exponent alone") << QByteArray("e5") << false << 0.0;
    QTest::newRow("nan") << QByteArray("nan") << false << 0.0;
    QTest::newRow("NaN") << QByteArray(" NaN ") << false << 0.0;
    QTest::newRow("inf") << QByteArray("inf") << false << 0.0;
    QTest::newRow("-infinity") << QByteArray("-infinity") << false << 0.0;
    // Digits with something else: no number either.
    QTest::newRow("two signs") << QByteArray("+-1") << false << 0.0;
    QTest::newRow("sign, blank, digit") << QByteArray("- 1") << false << 0.0;
    QTest::newRow("blank inside") << QByteArray("1 2") << false << 0.0;
    QTest::newRow("unit after") << QByteArray("1.5 bar") << false << 0.0;
    QTest::newRow("tab then digit") << QByteArray("\t1\t2") << false << 0.0;
    QTest::newRow("hex") << QByteArray("0x10") << false << 0.0;
    QTest::newRow("cut exponent") << QByteArray("1e") << false << 0.0;
    QTest::newRow("cut signed exponent") << QByteArray("1e+") << false << 0.0;
    QTest::newRow("two points") << QByteArray("1.2.3") << false << 0.0;
    QTest::newRow("comma") << QByteArray("1,5") << false << 0.0;
    QTest::newRow("beyond double") << QByteArray("1e400") << false << 0.0;
    QTest::newRow("NUL after") << QByteArray("1\0", 2) << false << 0.0;
    // Numbers, blanks around them allowed.
    QTest::newRow("integer") << QByteArray("42") << true << 42.0;
    QTest::newRow("blanks around") << QByteArray("   \t1 ") << true << 1.0;
    QTest::newRow("line end after") << QByteArray("14.7\r\n") << true << 14.7;
    QTest::newRow("negative") << QByteArray("-3.25") << true << -3.25;
    QTest::newRow("plus") << QByteArray("+3") << true << 3.0;
    QTest::newRow("point first") << QByteArray(".5") << true << 0.5;
    QTest::newRow("negative point first") << QByteArray("-.5") << true << -0.5;
    QTest::newRow("point last") << QByteArray("5.") << true << 5.0;
    QTest::newRow("exponent") << QByteArray("1e-3") << true << 1e-3;
    QTest::newRow("exponent upper, signed") << QByteArray("2.5E+2") << true << 250.0;
    QTest::newRow("zero") << QByteArray("0") << true << 0.0;
    QTest::newRow("leading zeros") << QByteArray("007.50") << true << 7.5;
    QTest::newRow("sixteen digits") << QByteArray("1234567890123456") << true << 1234567890123456.0;
    QTest::newRow("largest double") << QByteArray("1.7976931348623157e308") << true << 1.7976931348623157e308;
}

void TestNumberText::cases()
{
    QFETCH(QByteArray, text);
    QFETCH(bool, number);
    QFETCH(double, value);

    double d = -1.0;
    QCOMPARE(NumberText::toDouble(text.constData(), text.constData() + text.size(), d), number);
    if (number)
        QCOMPARE(d, value);
    const NumberText::Kind kind = number ? NumberText::Number
                                         : text.trimmed().isEmpty() ? NumberText::Blank : NumberText::NoNumber;
    QCOMPARE(NumberText::read(text.constData(), text.constData() + text.size(), d), kind);
    QCOMPARE(d, number ? value : 0.0);
    bool ok = !number;
    QCOMPARE(NumberText::toDouble(text, &ok), number ? value : 0.0);
    QCOMPARE(ok, number);
    ok = !number;
    QCOMPARE(NumberText::toDouble(QString::fromLatin1(text.constData(), text.size()), &ok), number ? value : 0.0);
    QCOMPARE(ok, number);

    // Single precision: the same texts; a value beyond a float is none.
    const bool fits = number && std::fabs(value) <= double(std::numeric_limits<float>::max());
    ok = !fits;
    const float f = NumberText::toFloat(text, &ok);
    QCOMPARE(ok, fits);
    QCOMPARE(f, fits ? std::strtof(text.constData(), nullptr) : 0.0f);
    ok = !fits;
    QCOMPARE(NumberText::toFloat(QString::fromLatin1(text.constData(), text.size()), &ok), f);
    QCOMPARE(ok, fits);
}

void TestNumberText::decimalComma_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<bool>("number");
    QTest::addColumn<double>("value");
    QTest::newRow("comma") << QByteArray("1,5") << true << 1.5;
    QTest::newRow("point") << QByteArray("1.5") << true << 1.5;
    QTest::newRow("comma, exponent") << QByteArray("-2,5e3") << true << -2500.0;
    QTest::newRow("comma first") << QByteArray(",25") << true << 0.25;
    QTest::newRow("comma alone") << QByteArray(" , ") << false << 0.0;
    QTest::newRow("point and comma") << QByteArray("1.234,5") << false << 0.0;
    QTest::newRow("two commas") << QByteArray("1,2,3") << false << 0.0;
    QTest::newRow("blanks") << QByteArray(" \t ") << false << 0.0;
}

void TestNumberText::decimalComma()
{
    QFETCH(QByteArray, text);
    QFETCH(bool, number);
    QFETCH(double, value);
    bool ok = !number;
    QCOMPARE(NumberText::toDouble(text, &ok, NumberText::PointOrComma), value);
    QCOMPARE(ok, number);
}

void TestNumberText::agreesWithFullConversion()
{
    // The short-decimal path rounds as strtod does, whatever the digits.
    std::srand(37);
    for (int i = 0; i < 20000; ++i) {
        const int digits = 1 + std::rand() % 17;
        QByteArray text;
        if (std::rand() % 2)
            text += '-';
        const int point = std::rand() % (digits + 1);
        for (int k = 0; k < digits; ++k) {
            if (k == point)
                text += '.';
            text += char('0' + std::rand() % 10);
        }
        double d = 0.0;
        QVERIFY2(NumberText::toDouble(text.constData(), text.constData() + text.size(), d), text.constData());
        QVERIFY2(d == std::strtod(text.constData(), nullptr), text.constData());
    }
}

void TestNumberText::longTexts()
{
    // Spreadsheets write hundreds of digits; that is still a number.
    const QByteArray digits = "0." + QByteArray(300, '3');
    bool ok = false;
    QCOMPARE(NumberText::toDouble(digits, &ok, NumberText::PointOrComma), 1.0 / 3.0);
    QVERIFY(ok);
    QByteArray comma = digits;
    comma[1] = ',';
    QCOMPARE(NumberText::toDouble(comma, &ok, NumberText::PointOrComma), 1.0 / 3.0);
    QVERIFY(ok);
    QCOMPARE(NumberText::toDouble(QString::fromLatin1(digits), &ok), 1.0 / 3.0);
    QVERIFY(ok);
    QCOMPARE(NumberText::toDouble(QString(400, QLatin1Char(' ')), &ok), 0.0);
    QVERIFY(!ok);
    // Non-Latin-1 text is no number.
    QCOMPARE(NumberText::toDouble(QStringLiteral("1\u00b2"), &ok), 0.0);
    QVERIFY(!ok);
}

QTEST_GUILESS_MAIN(TestNumberText)
#include "tst_numbertext.moc"
