// The diesel dashboard offscreen: every label's format, the lookup of
// result names without regard to case, results a job lacks, labels before
// any value, the one ECU it follows when two run jobs with its results, and
// what the demo's formulas give it.
#include "crunner.h"
#include "ddecustomview.h"
#include "plotwindowfeed.h"
#include "workdir.h"

#include <cmath>
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
    void noNumberBeforeAValue();
    void followsTheFirstEcuThatBringsItsResults();
    void followsTheEcuOfItsExpressions_data();
    void followsTheEcuOfItsExpressions();
    void twoDemoEcusShowOneEcusValues();
    void labelsDrawnMonospaced();
    void demoFormulasGiveValuesInTheirUnits();
};

namespace {
CJob job(const QList<QPair<const char *, double>> &values)
{
    QList<PlotWindowFeed::Value> list;
    for (const auto &v : values)
        list << PlotWindowFeed::Value{v.first, 8, v.second, "", nullptr};
    return PlotWindowFeed::makeJob("D73N57C0", "MW_SELECT_LESEN_NORM", list);
}

QString labelText(DDECustomView &view, const QString &label)
{
    QLabel *l = view.findChild<QLabel *>(label);
    return l ? l->text() : QStringLiteral("<no label>");
}

const char *const valueLabels[] = {"lblRPM", "lblWater", "lblMAF", "lblN75", "lblBoost",
                                   "lblIAT", "lblLAMBDA", "lblRail", "lblINJ", "lblDUR",
                                   "lblSOI", "lblAFR", "lblTorque", "lblHp", "lblEOI"};

// Every value label's text, by name.
QMap<QString, QString> allLabels(DDECustomView &view)
{
    QMap<QString, QString> texts;
    for (const char *l : valueLabels)
        texts.insert(l, labelText(view, l));
    return texts;
}

// The number a label shows; nan when it shows none. "<BR>" in a prefix is
// no part of it.
double shownNumber(DDECustomView &view, const char *label)
{
    static const QRegularExpression number(QStringLiteral("(-?\\d+(?:\\.\\d+)?)\\D*$"));
    const QRegularExpressionMatch m = number.match(labelText(view, label).remove("<BR>"));
    return m.hasMatch() ? m.captured(1).toDouble() : NAN;
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
    // A formula without a value yet, or a text, is no reading: the label
    // keeps the last one, never shows 0 or "nan".
    CJob none = job({{name.constData(), 0.0}});
    none.results[0].realValue = std::nan("");
    none.results[0].setTextValue("");
    view.onJobFinished(none, 0);
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
    WorkDir wd;
    DDECustomView view;
    QCOMPARE(labelText(view, "lblExhTemp"), QString("Exh. temp"));
    view.onJobFinished(job({{"STAT_CTSCD_tClnt_WERT", 90}}), 0);
    QCOMPARE(labelText(view, "lblRPM"), QString("       -- RPM"));
    QCOMPARE(labelText(view, "lblHp"), QString("Power:<BR>            -- HP"));
    QCOMPARE(labelText(view, "lblWater"), QString::fromUtf8("Water:90.00 °C"));
    // A later job without the result leaves the value it showed.
    view.onJobFinished(job({{"STAT_Eng_nAvrg_WERT", 800}}), 0);
    QCOMPARE(labelText(view, "lblWater"), QString::fromUtf8("Water:90.00 °C"));
    QCOMPARE(labelText(view, "lblRPM"), QString("      800 RPM"));
    QVERIFY(!view.findChild<QLabel *>("label_8")->pixmap(Qt::ReturnByValue).isNull());
}

void TestDDECustomView::noNumberBeforeAValue()
{
    // The form's "3856 RPM" is a sample, not a reading: before a value
    // comes, no label shows a figure, yet each says what it will show.
    WorkDir wd;
    DDECustomView view;
    const QMap<QString, QString> before = allLabels(view);
    for (auto it = before.cbegin(); it != before.cend(); ++it) {
        // The name of the N75 valve is the only figure.
        const QString text = QString(it.value()).remove(QRegularExpression("^N75:?"));
        QVERIFY2(!text.contains(QRegularExpression("\\d")), qPrintable(it.key() + ": " + it.value()));
    }
    QCOMPARE(before.value("lblRPM"), QString("       -- RPM"));
    QCOMPARE(before.value("lblWater"), QString::fromUtf8("Water:   -- °C"));
    QCOMPARE(before.value("lblLAMBDA"), QString("Lambda:      --"));
    QCOMPARE(before.value("lblRail"), QString("Rail pressure:    -- bar"));
    QCOMPARE(before.value("lblTorque"), QString("Torque:<BR>            -- Nm"));
    QCOMPARE(view.windowTitle(), QString("DDE6 M47"));
    // A job of no result of its own changes nothing.
    view.onJobFinished(job({{"STAT_OTHER_WERT", 12}}), 0);
    QCOMPARE(allLabels(view), before);
    QCOMPARE(view.windowTitle(), QString("DDE6 M47"));
    // A value shows in its label only; the others still show none.
    view.onJobFinished(job({{"STAT_Eng_nAvrg_WERT", 812}}), 0);
    QCOMPARE(labelText(view, "lblRPM"), QString("      812 RPM"));
    for (const char *l : valueLabels) {
        if (QByteArray(l) != "lblRPM")
            QCOMPARE(labelText(view, l), before.value(l));
    }
}

void TestDDECustomView::followsTheFirstEcuThatBringsItsResults()
{
    // Without formulas the first ECU whose job brings one of its results is
    // the one it follows, whatever the job; a job without ECU chooses none.
    WorkDir wd;
    DDECustomView view;
    view.onJobFinished(PlotWindowFeed::makeJob("MSV70", "STATUS_OTHER", {{"STAT_OTHER_WERT", 8, 1}}), 0);
    view.onJobFinished(PlotWindowFeed::makeJob("", "AEM_AFR", {{"STAT_Eng_nAvrg_WERT", 8, 3}}), 0);
    QCOMPARE(view.followedEcu(), QString());
    QCOMPARE(labelText(view, "lblRPM"), QString("       -- RPM"));
    view.onJobFinished(PlotWindowFeed::makeJob("MSV70", "MW_SELECT_LESEN_NORM",
                                               {{"STAT_ENG_NAVRG_WERT", 8, 2100}, {"STAT_CTSCD_TCLNT_WERT", 8, 80}}),
                       0);
    QCOMPARE(view.followedEcu(), QString("MSV70"));
    QCOMPARE(view.windowTitle(), QString("DDE6 M47 (MSV70)"));
    QCOMPARE(labelText(view, "lblRPM"), QString("     2100 RPM"));
    // The other ECU's values of the same names never show.
    view.onJobFinished(PlotWindowFeed::makeJob("D73N57C0", "MW_SELECT_LESEN_NORM",
                                               {{"STAT_ENG_NAVRG_WERT", 8, 900},
                                                {"STAT_CTSCD_TCLNT_WERT", 8, 20},
                                                {"CoEng_Torque", 8, 300}}),
                       0);
    QCOMPARE(labelText(view, "lblRPM"), QString("     2100 RPM"));
    QCOMPARE(labelText(view, "lblWater"), QString::fromUtf8("Water:80.00 °C"));
    QCOMPARE(labelText(view, "lblTorque"), QString("Torque:<BR>            -- Nm"));
    // Its own ECU's other jobs do, its name in any case.
    view.onJobFinished(PlotWindowFeed::makeJob("msv70", "STATUS_RPM", {{"STAT_ENG_NAVRG_WERT", 8, 2200}}), 0);
    QCOMPARE(labelText(view, "lblRPM"), QString("     2200 RPM"));
    QCOMPARE(view.windowTitle(), QString("DDE6 M47 (MSV70)"));
}

void TestDDECustomView::followsTheEcuOfItsExpressions_data()
{
    QTest::addColumn<QByteArray>("xml");
    QTest::addColumn<QString>("ecu");
    // The ECU of the first formula that gives one of its results.
    QTest::newRow("torque of one ECU") << QByteArray("<customexpressions><customexpression><ecu>D73N57C0</ecu>"
                                                     "<job>MW_SELECT_LESEN_NORM</job><result><name>CoEng_Torque</name>"
                                                     "<expression>STAT_X_WERT*2</expression></result>"
                                                     "</customexpression></customexpressions>")
                                       << "D73N57C0";
    QTest::newRow("first of two, name in other case")
        << QByteArray("<x><customexpression><ecu>MSV70</ecu><job>J</job><result><name>OTHER</name>"
                      "<expression>1</expression></result></customexpression>"
                      "<customexpression><ecu>D_DDE</ecu><job>J</job><result><name>coeng_power</name>"
                      "<expression>1</expression></result></customexpression>"
                      "<customexpression><ecu>D73N57C0</ecu><job>J</job><result><name>InjCrv_eoiMI1</name>"
                      "<expression>1</expression></result></customexpression></x>")
        << "D_DDE";
    QTest::newRow("no formula of its results") << QByteArray("<x><customexpression><ecu>MSV70</ecu><job>J</job>"
                                                             "<result><name>OTHER</name><expression>1</expression>"
                                                             "</result></customexpression></x>")
                                               << "";
    QTest::newRow("not XML") << QByteArray("<x><customexpression><ecu>MSV70") << "";
}

void TestDDECustomView::followsTheEcuOfItsExpressions()
{
    QFETCH(QByteArray, xml);
    QFETCH(QString, ecu);
    WorkDir wd;
    QVERIFY(wd.write("config/customexpressions.xml", xml));
    DDECustomView view;
    QCOMPARE(view.followedEcu(), ecu);
    QCOMPARE(view.windowTitle(), ecu.isEmpty() ? QString("DDE6 M47") : QString("DDE6 M47 (%1)").arg(ecu));
    if (ecu.isEmpty())
        return;
    // Named by its formulas, that ECU is followed even when another ECU's
    // job of its results comes first.
    view.onJobFinished(PlotWindowFeed::makeJob("MSV70_OTHER", "MW_SELECT_LESEN_NORM", {{"STAT_ENG_NAVRG_WERT", 8, 900}}),
                       0);
    QCOMPARE(view.followedEcu(), ecu);
    QCOMPARE(labelText(view, "lblRPM"), QString("       -- RPM"));
    view.onJobFinished(PlotWindowFeed::makeJob(ecu.toLatin1().constData(), "MW_SELECT_LESEN_NORM",
                                               {{"STAT_ENG_NAVRG_WERT", 8, 1800}}),
                       0);
    QCOMPARE(labelText(view, "lblRPM"), QString("     1800 RPM"));
}

void TestDDECustomView::twoDemoEcusShowOneEcusValues()
{
    // In a copy of the demo, both ECUs' "Measurement values" running: the
    // same result names come from MSV70 and D73N57C0 in turn. Every frame
    // shows D73N57C0's values only, the ECU whose formulas compute torque,
    // power and end of injection, so those agree with the raw labels.
    WorkDir wd;
    QVERIFY(wd.copyTree(QStringLiteral(KELVO_SOURCE_DIR) + "/demo"));
    CRunner runner;
    runner.setSimulation(true);
    runner.setMinSimulationPause(0);
    DDECustomView view;
    QCOMPARE(view.windowTitle(), QString("DDE6 M47 (D73N57C0)"));
    int msv70Frames = 0;
    for (int run = 0; run < 30; ++run) {
        const bool diesel = run % 2 == 1;
        CJob job(diesel ? "D73N57C0" : "MSV70", "MW_SELECT_LESEN_NORM");
        QCOMPARE(runner.runJob(job), 0);
        const QMap<QString, QString> before = allLabels(view);
        view.onJobFinished(job, 0);
        if (!diesel) {
            double rpm = 0;
            if (DDECustomView::findValue(job, "STAT_Eng_nAvrg_WERT", &rpm))
                ++msv70Frames;
            QCOMPARE(allLabels(view), before);
            continue;
        }
        // Each label shows this job's value.
        DDECustomView expected;
        for (const char *l : valueLabels)
            expected.findChild<QLabel *>(l)->clear();
        expected.onJobFinished(job, 0);
        for (const char *l : valueLabels)
            QCOMPARE(labelText(view, l), labelText(expected, l));
        // And the computed ones agree with the raw ones they come from, to
        // the rounding of what is shown.
        const double rpm = shownNumber(view, "lblRPM");
        const double torque = shownNumber(view, "lblTorque");
        const double injection = shownNumber(view, "lblINJ");
        QVERIFY2(qAbs(torque - injection * 0.1 * 6.5) <= 0.5 + 0.005 * 0.65,
                 qPrintable(QString("torque %1, injection %2").arg(torque).arg(injection)));
        QVERIFY2(qAbs(shownNumber(view, "lblHp") - torque * rpm / 7121) <= 0.5 + (0.5 * rpm + 0.5 * torque + 0.25) / 7121,
                 qPrintable(QString("power %1, torque %2, rpm %3").arg(shownNumber(view, "lblHp")).arg(torque).arg(rpm)));
        const double eoi = shownNumber(view, "lblSOI") + shownNumber(view, "lblDUR") * rpm * 6e-6;
        const double eoiSlack = 0.005 + 0.05 + (0.05 * rpm + 0.5 * shownNumber(view, "lblDUR") + 0.05) * 6e-6;
        QVERIFY2(qAbs(shownNumber(view, "lblEOI") - eoi) <= eoiSlack,
                 qPrintable(QString("eoi %1, from the raw labels %2").arg(shownNumber(view, "lblEOI")).arg(eoi)));
    }
    // MSV70 did bring the same results: the dashboard left them out.
    QVERIFY(msv70Frames > 0);
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
