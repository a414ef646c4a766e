// The families the dashboards ask for resolve to installed or bundled fonts.
#include "kelvofonts.h"

#include <QApplication>
#include <QFont>
#include <QFontInfo>
#include <QtTest>

class TestKelvoFonts : public QObject
{
    Q_OBJECT
private slots:
    void familiesResolve_data();
    void familiesResolve();
    void secondCallKeepsTheOutcome();
};

void TestKelvoFonts::familiesResolve_data()
{
    QTest::addColumn<QString>("asked");
    QTest::addColumn<QString>("given");
    QTest::newRow("gauge digits") << "digital counter 7" << "DSEG7 Classic";
    QTest::newRow("bundled family") << "DSEG7 Classic" << "DSEG7 Classic";
    QTest::newRow("scale and titles") << "Arial Narrow" << "Liberation Sans Narrow";
    QTest::newRow("text lines") << "Courier New" << "Liberation Mono";
    QTest::newRow("diesel dashboard") << "Consolas" << "DejaVu Sans Mono";
}

void TestKelvoFonts::familiesResolve()
{
    QFETCH(QString, asked);
    QFETCH(QString, given);
    QVERIFY(KelvoFonts::install());
    QCOMPARE(QFontInfo(QFont(asked, 20)).family(), given);
}

void TestKelvoFonts::secondCallKeepsTheOutcome()
{
    QVERIFY(KelvoFonts::install());
    QVERIFY(KelvoFonts::install());
    QCOMPARE(KelvoFonts::digitsFamily(), QStringLiteral("DSEG7 Classic"));
}

QTEST_MAIN(TestKelvoFonts)
#include "tst_kelvofonts.moc"
