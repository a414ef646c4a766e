// The diesel dashboard offscreen: every label's format, the lookup of
// result names without regard to case, results a job lacks, and what the
// demo's formulas give it.
#include "crunner.h"
#include "ddecustomview.h"
#include "plotwindowfeed.h"
#include "workdir.h"

#include <QApplication>
#include <QFontInfo>
#include <QLabel>
#include <QRegularExpression>
#include <QtTest>

class TestDDECustomView : public QObject
{
    Q_OBJECT
private slots:
    void formatVal_data();
    void formatVal();
    void labels_data();
    void labels();
    void lookup();
    void missingResultKeepsItsLabel();
    void labelsDrawnMonospaced();
    void demoFormulasGiveValuesInTheirUnits();
};

namespace {
CJob job(const QList<QPair<const char *, double>> &values)
{
    QList<PlotWindowFeed::Value> list;
    for (const auto &v : values)
        list << PlotWindowFeed::Value{v.first, 8, v.second, "", "text is not read"};
    return PlotWindowFeed::makeJob("D73N57C0", "MW_SELECT_LESEN_NORM", list);
}

QString labelText(DDECustomView &view, const QString &label)
{
    QLabel *l = view.findChild<QLabel *>(label);
    return l ? l->text() : QStringLiteral("<no label>");
}
} // namespace

void TestDDECustomView::formatVal_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("unit");
    QTest::addColumn<int>("digits");
    QTest::addColumn<int>("width");
    QTest::addColumn<QString>("text");
    QTest::newRow("engine speed") << 3856.4 << " RPM" << 0 << 9 << "     3856 RPM";
    QTest::newRow("fills the width") << 85.25 << QString::fromUtf8(" °C") << 2 << 5 << QString::fromUtf8("85.25 °C");
    QTest::newRow("wider than the width") << 123456.0 << " %" << 0 << 3 << "123456 %";
    QTest::newRow("negative") << -2.5 << " mg" << 1 << 6 << "  -2.5 mg";
}

void TestDDECustomView::formatVal()
{
    QFETCH(double, value);
    QFETCH(QString, unit);
    QFETCH(int, digits);
    QFETCH(int, width);
    QFETCH(QString, text);
    DDECustomView view;
    QCOMPARE(view.formatVal(value, unit, digits, width), text);
}

void TestDDECustomView::labels_data()
{
    QTest::addColumn<QString>("result");
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("label");
    QTest::addColumn<QString>("text");
    auto row = [](const char *result, double value, const char *label, const char *text) {
        QTest::newRow(label) << QString(result) << value << QString(label) << QString::fromUtf8(text);
    };
    row("STAT_Eng_nAvrg_WERT", 3856.4, "lblRPM", "     3856 RPM");
    row("STAT_CTSCD_tClnt_WERT", 85.25, "lblWater", "Water:85.25 °C");
    row("STAT_AFSCD_mAirPerCyl_WERT", 512.6, "lblMAF", "MAF: 513 mg/hub");
    row("STAT_BPACD_rOut_WERT", 45, "lblN75", "N75: 45 %");
    row("STAT_BPSCD_pOutVal_WERT", 2150, "lblBoost", "Boost:2150 bar");
    row("STAT_IATSCD_tAirCats_WERT", 31.44, "lblIAT", "Intake air temp.  31.4 °C");
    row("STAT_LSU_rLmbd[0]_WERT", 1.0, "lblLAMBDA", "Lambda:    1.00");
    row("STAT_RailCD_pPeak_WERT", 1250.4, "lblRail", "Rail pressure:  1250 bar");
    row("STAT_InjCrv_qMI1Des_WERT", 23.456, "lblINJ", "Injection:     23.46 mg");
    row("STAT_InjCrv_tiMI1ET_WERT", 812.26, "lblDUR", "Inj. duration: 812.3 µs");
    row("STAT_InjCrv_phiMI1Des_WERT", -3.5, "lblSOI", "Start of inj.:  -3.5 °");
    row("AFSCD_Afr", 14.7, "lblAFR", "AFR:   14.70");
    row("CoEng_Torque", 310.2, "lblTorque", "Torque:<BR>           310 Nm");
    row("CoEng_Power", 145.7, "lblHp", "Power:<BR>           146 HP");
    row("InjCrv_eoiMI1", 12.346, "lblEOI", "End of inj.:   12.35 °");
}

void TestDDECustomView::labels()
{
    QFETCH(QString, result);
    QFETCH(double, value);
    QFETCH(QString, label);
    QFETCH(QString, text);
    DDECustomView view;
    const QByteArray name = result.toLatin1();
    view.onJobFinished(job({{name.constData(), value}}), 0);
    QCOMPARE(labelText(view, label), text);
}

void TestDDECustomView::lookup()
{
    DDECustomView view;
    // Lower-case names match; of two matches the last wins; the real value
    // counts, not the text.
    view.onJobFinished(job({{"stat_eng_navrg_wert", 1000}, {"STAT_ENG_NAVRG_WERT", 2000.4}, {"coeng_torque", 7}}), 0);
    QCOMPARE(labelText(view, "lblRPM"), QString("     2000 RPM"));
    QCOMPARE(labelText(view, "lblTorque"), QString("Torque:<BR>             7 Nm"));
    double value = 0;
    QVERIFY(DDECustomView::findValue(job({{"Coeng_Power", 3}}), "COENG_POWER", &value));
    QCOMPARE(value, 3.0);
    QVERIFY(!DDECustomView::findValue(job({{"CoEng_Power2", 3}}), "CoEng_Power", &value));
}

void TestDDECustomView::missingResultKeepsItsLabel()
{
    DDECustomView view;
    QCOMPARE(labelText(view, "lblRPM"), QString("3856 RPM"));
    QCOMPARE(labelText(view, "lblExhTemp"), QString("Exh. temp"));
    view.onJobFinished(job({{"STAT_CTSCD_tClnt_WERT", 90}}), 0);
    QCOMPARE(labelText(view, "lblRPM"), QString("3856 RPM"));
    QCOMPARE(labelText(view, "lblHp"), QString("HP"));
    QCOMPARE(labelText(view, "lblWater"), QString::fromUtf8("Water:90.00 °C"));
    // A later job without the result leaves the value it showed.
    view.onJobFinished(job({{"STAT_Eng_nAvrg_WERT", 800}}), 0);
    QCOMPARE(labelText(view, "lblWater"), QString::fromUtf8("Water:90.00 °C"));
    QCOMPARE(labelText(view, "lblRPM"), QString("      800 RPM"));
    QVERIFY(!view.findChild<QLabel *>("label_8")->pixmap(Qt::ReturnByValue).isNull());
    QCOMPARE(view.windowTitle(), QString("DDE6 M47"));
}

void TestDDECustomView::labelsDrawnMonospaced()
{
    // The values are right-justified with blanks: the form's "Consolas"
    // must come out as a monospaced font here.
    DDECustomView view;
    view.show();
    for (const char *name : {"lblRPM", "lblWater", "lblTorque"}) {
        QLabel *label = view.findChild<QLabel *>(name);
        label->ensurePolished();
        const QFontInfo info(label->font());
        QCOMPARE(info.family(), QString("DejaVu Sans Mono"));
        QVERIFY(info.bold());
    }
}

void TestDDECustomView::demoFormulasGiveValuesInTheirUnits()
{
    // In a copy of the demo, as scripts/demo.sh runs it: the runner reads
    // the formulas from its working directory.
    WorkDir wd;
    QVERIFY(wd.copyTree(QStringLiteral(KELVO_SOURCE_DIR) + "/demo"));
    CRunner runner;
    runner.setSimulation(true);
    runner.setMinSimulationPause(0);
    DDECustomView view;
    // What the demo's formulas give the dashboard, against what a car's
    // diesel engine can show in the label's unit.
    struct Range
    {
        const char *label;
        double low;
        double high;
        double lowest;
        double highest;
    } ranges[] = {
        {"lblAFR", 0, 30, 30, 0},
        {"lblTorque", 0, 700, 700, 0},
        {"lblHp", 0, 500, 500, 0},
        {"lblEOI", 0, 60, 60, 0},
    };
    // The last number of the label, whatever prefix and unit surround it.
    const QRegularExpression number(QStringLiteral("(-?\\d+(?:\\.\\d+)?)\\D*$"));
    for (int run = 0; run < 40; ++run) {
        CJob job("D73N57C0", "MW_SELECT_LESEN_NORM");
        QCOMPARE(runner.runJob(job), 0);
        view.onJobFinished(job, 0);
        for (Range &r : ranges) {
            const QString text = labelText(view, r.label);
            const QRegularExpressionMatch m = number.match(text);
            QVERIFY2(m.hasMatch(), qPrintable(text));
            const double value = m.captured(1).toDouble();
            QVERIFY2(value >= r.low && value <= r.high, qPrintable(text));
            r.lowest = qMin(r.lowest, value);
            r.highest = qMax(r.highest, value);
        }
    }
    // The values move over their range, not stuck at one end of it.
    for (const Range &r : ranges)
        QVERIFY2(r.highest - r.lowest > (r.high - r.low) / 10,
                 qPrintable(QString("%1: %2..%3").arg(r.label).arg(r.lowest).arg(r.highest)));
}

QTEST_MAIN(TestDDECustomView)
#include "tst_ddecustomview.moc"
