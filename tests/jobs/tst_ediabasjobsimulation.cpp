#include "cjob.h"
#include "ediabasjobsimulation.h"
#include "workdir.h"

#include <QDateTime>
#include <QtTest>
#include <cmath>

// One expected result: name, type, format and how its value is made.
struct Expect {
    enum Kind { Scaled, Ratio, Fixed, Text, Unscaled };
    const char *name;
    const char *type;
    int format;
    Kind kind;
    double factor; // Scaled: k, Ratio: high bound, Fixed: the value
    int modulo;    // Scaled: n; offset below for the one row that subtracts
    int offset;
    const char *text;
};
Q_DECLARE_METATYPE(QVector<Expect>)

static Expect scaled(const char *name, int n, double k, int offset = 0)
{
    return {name, "real", 8, Expect::Scaled, k, n, offset, nullptr};
}
static Expect ratio(const char *name, double high = 1)
{
    return {name, "real", 8, Expect::Ratio, high, 0, 0, nullptr};
}
static Expect text(const char *name, const char *value)
{
    return {name, "string", 6, Expect::Text, 0, 0, 0, value};
}

class TestEdiabasJobSimulation : public QObject
{
    Q_OBJECT
private slots:
    void rows_data();
    void rows();
    void msv70DataBytes();
    void manyResults();
    void unknownJob();
    void changingResultsEveryTenthCall();
    void seededRunsRepeat();
    void drawsCoverTheRange();
};

void TestEdiabasJobSimulation::rows_data()
{
    QTest::addColumn<QString>("ecu");
    QTest::addColumn<QString>("job");
    QTest::addColumn<QString>("virtualName");
    QTest::addColumn<QVector<Expect>>("expected");

    const QVector<Expect> d73 = {scaled("STAT_MoFVSS_a_WERT", 20, 99.48274),
                                 scaled("STAT_FAHRZEUGBESCHLEUNIGUNG_WERT", 20, 0.98274),
                                 scaled("STAT_GESCHWINDIGKEIT_WERT", 20, 0.68274),
                                 scaled("STAT_MoFVSS_vAccMon_WERT", 20, 0.38274)};
    const QVector<Expect> gs19d = {{"DATEN", "data", 7, Expect::Text, 0, 0, 0, "00102233ABCD"},
                                   {"ANZAHL", "int", 2, Expect::Fixed, 3, 0, 0, "3.000000E+00"},
                                   scaled("STAT_GESCHWINDIGKEIT_WERT", 20, 0.68274),
                                   scaled("STAT_MoFVSS_vAccMon_WERT", 20, 0.38274)};
    const QVector<Expect> statusInt = {scaled("STATUS_INT_WERT", 20, 0.48274, -10), text("STATUS_INT_EINH", "[1]"),
                                       text("JOB_STATUS", "OKAY")};
    const QVector<Expect> statusLmm = {scaled("STATUS_LMM_WERT", 50, 3.1415963456),
                                       text("STATUS_LMM_EINH", "[kg/h]"), text("JOB_STATUS", "OKAY")};
    const QVector<Expect> norm = {{"BINARY_DATA", "binary", 7, Expect::Text, 0, 0, 0, "0011223344556677889900"},
                                  ratio("STAT_ENG_NAVRG_WERT", 5000),
                                  ratio("STAT_CTSCD_TCLNT_WERT", 100),
                                  ratio("STAT_AFSCD_MAIRPERCYL_WERT", 1200),
                                  ratio("STAT_BPACD_ROUT_WERT", 100),
                                  ratio("STAT_BPSCD_pOutVal_WERT", 3000),
                                  ratio("STAT_IATSCD_TAIRCATS_WERT", 1000),
                                  ratio("STAT_LSU_RLMBD[0]_WERT", 32),
                                  ratio("STAT_RAILCD_PPEAK_WERT", 1300),
                                  ratio("STAT_INJCRV_QMI1DES_WERT", 1000),
                                  ratio("STAT_INJCRV_TIMI1ET_WERT", 1000),
                                  ratio("STAT_INJCRV_PHIMI1DES_WERT", 20)};
    const QVector<Expect> twoInt = {{"INT1", "integer", 8, Expect::Scaled, 1, 90, 0, nullptr},
                                    {"INT2", "integer", 8, Expect::Ratio, 1, 0, 0, nullptr},
                                    text("JOB_STATUS", "OKAY")};
    const QVector<Expect> mwSelect = {text("STAT_InjCtl_qSetUnBal_EINH", "mg/hub"),
                                      {"STAT_BPSCD_POUTVAL_WERT", "real", 8, Expect::Unscaled, 0, 0, 0, nullptr},
                                      ratio("STAT_INJCTL_QSETUNBAL_WERT"), ratio("STAT_INJVLV_QFBCCYL[5]_WERT"),
                                      text("JOB_STATUS", "OKAY")};

    QTest::newRow("D73N57C0 + STATUS_LMM") << "D73N57C0" << "STATUS_LMM" << "" << d73 + statusLmm;
    QTest::newRow("GS19D + STATUS_INT") << "GS19D" << "STATUS_INT" << "" << gs19d + statusInt;
    QTest::newRow("STATUS_INT") << "XYZ" << "STATUS_INT" << "" << statusInt;
    QTest::newRow("MW_SELECT_LESEN_NORM") << "XYZ" << "MW_SELECT_LESEN_NORM" << "" << norm;
    QTest::newRow("TEST_TWO_INTEGER") << "XYZ" << "TEST_TWO_INTEGER" << "" << twoInt;
    QTest::newRow("MW_SELECT_LESEN virtual") << "XYZ" << "MW_SELECT_LESEN" << "MY_VIEW" << mwSelect;
    QTest::newRow("MW_SELECT_LESEN plain") << "XYZ" << "MW_SELECT_LESEN" << "" << QVector<Expect>{};
    QTest::newRow("ECU names exact") << "D73N57C0_SERIAL" << "STATUS_LMM" << "" << statusLmm;
    QTest::newRow("job names exact") << "D73N57C0" << "status_lmm" << ""
                                     << d73 + QVector<Expect>{{"STATUS_UNKNOWN_WERT", "real", 2, Expect::Scaled, 1, 20,
                                                               0, nullptr},
                                                              text("JOB_STATUS", "OKAY"),
                                                              text("STATUS_UNKNOWN_EINH", "kg/h")};
}

static void checkResult(const CJobResult &r, const Expect &e)
{
    QCOMPARE(QString::fromLatin1(r.name.c_str()), QString::fromLatin1(e.name));
    QCOMPARE(r.typeName, std::string(e.type));
    QCOMPARE(r.format, e.format);
    // No catalogue in the working directory: every display name is the name.
    QCOMPARE(r.displayName, r.name);
    const double v = e.format == 2 && e.kind == Expect::Scaled ? double(r.intValue) : r.realValue;
    switch (e.kind) {
    case Expect::Text:
        QCOMPARE(QByteArray(r.textValue), QByteArray(e.text));
        return;
    case Expect::Fixed:
        QCOMPARE(v, e.factor);
        break;
    case Expect::Scaled: {
        // (rand % n + offset) * k through a 32-bit float: find the draw.
        bool found = false;
        for (int draw = 0; draw < e.modulo && !found; ++draw)
            found = v == double(float((draw + e.offset) * e.factor));
        QVERIFY2(found, qPrintable(QString::number(v, 'g', 17)));
        break;
    }
    case Expect::Ratio:
        QVERIFY(v >= 0 && v <= e.factor);
        break;
    case Expect::Unscaled:
        QVERIFY(v >= 0 && v <= 32767 && v == std::floor(v));
        break;
    }
    QCOMPARE(QByteArray(r.textValue), QString::asprintf("%E", v).toLatin1());
}

void TestEdiabasJobSimulation::rows()
{
    QFETCH(QString, ecu);
    QFETCH(QString, job);
    QFETCH(QString, virtualName);
    QFETCH(QVector<Expect>, expected);
    WorkDir wd;
    EdiabasJobSimulation sim;
    sim.seed(42);
    for (int run = 0; run < 100; ++run) {
        CJob j(ecu.toStdString(), job.toStdString());
        j.virtualName = virtualName.toStdString();
        const qint64 before = QDateTime::currentMSecsSinceEpoch();
        sim.getJob(j);
        QVERIFY(j.timeStamp >= before && j.timeStamp <= QDateTime::currentMSecsSinceEpoch());
        QCOMPARE(sim.callCount, run + 1);
        QCOMPARE(j.getResultCount(), expected.size());
        for (int i = 0; i < expected.size(); ++i) {
            checkResult(j.resultAt(i), expected.at(i));
            if (QTest::currentTestFailed())
                return;
        }
    }
}

void TestEdiabasJobSimulation::msv70DataBytes()
{
    WorkDir wd;
    EdiabasJobSimulation sim;
    sim.seed(7);
    for (int run = 0; run < 50; ++run) {
        CJob j("MSV70", "STATUS_INT");
        sim.getJob(j);
        QCOMPARE(j.getResultCount(), 3 + 3);
        checkResult(j.resultAt(0), scaled("STAT_MoFVSS_a_WERT", 20, 99.48274));
        const CJobResult &data = j.resultAt(1);
        QCOMPARE(data.name, std::string("DATEN"));
        QCOMPARE(data.typeName, std::string("binary"));
        QCOMPARE(data.format, 7);
        QByteArray bytes(j.resultAt(0).textValue);
        bytes.append(64 - bytes.size(), '\0');
        QCOMPARE(QByteArray(data.textValue), bytes.toHex().toUpper());
        checkResult(j.resultAt(2), scaled("STAT_GESCHWINDIGKEIT_WERT", 20, 12.68274));
        QCOMPARE(j.resultAt(3).name, std::string("STATUS_INT_WERT"));
    }
}

void TestEdiabasJobSimulation::manyResults()
{
    WorkDir wd;
    EdiabasJobSimulation sim;
    CJob j("XYZ", "TEST_MANY_RESULTS");
    sim.getJob(j);
    // Each of the 200 turns gives its unit, its value and a status of its own.
    QCOMPARE(j.getResultCount(), 600);
    for (int i = 0; i < 200; ++i) {
        const QString n = QString::number(i);
        checkResult(j.resultAt(3 * i), text(qPrintable("STAT_InjCtl_qSetUnBal_EINH_" + n), "mg/hub"));
        checkResult(j.resultAt(3 * i + 1), ratio(qPrintable("STAT_InjCtl_qSetUnBal_WERT_" + n)));
        QCOMPARE(j.resultAt(3 * i + 1).comment, std::string("qsetunlab_comment"));
        checkResult(j.resultAt(3 * i + 2), text("JOB_STATUS", "OKAY"));
    }
}

void TestEdiabasJobSimulation::unknownJob()
{
    WorkDir wd;
    EdiabasJobSimulation sim;
    sim.seed(1);
    QSet<int> seen;
    for (int run = 0; run < 200; ++run) {
        CJob j("XYZ", "ABC");
        sim.getJob(j);
        QCOMPARE(j.getResultCount(), 3);
        QCOMPARE(j.jobTitle, std::string("Unknown"));
        const CJobResult &v = j.resultAt(0);
        QCOMPARE(v.name, std::string("STATUS_UNKNOWN_WERT"));
        QCOMPARE(v.typeName, std::string("real"));
        QCOMPARE(v.format, 2);
        QVERIFY(v.intValue >= 0 && v.intValue < 20);
        QCOMPARE(QByteArray(v.textValue), QString::asprintf("%E", double(v.intValue)).toLatin1());
        seen.insert(v.intValue);
        checkResult(j.resultAt(1), text("JOB_STATUS", "OKAY"));
        checkResult(j.resultAt(2), text("STATUS_UNKNOWN_EINH", "kg/h"));
    }
    QCOMPARE(seen.size(), 20);
}

void TestEdiabasJobSimulation::changingResultsEveryTenthCall()
{
    WorkDir wd;
    EdiabasJobSimulation sim;
    sim.seed(3);
    const QVector<Expect> okay = {text("STAT_InjCtl_qSetUnBal_EINH", "mg/hub"), ratio("STAT_InjCtl_qSetUnBal_WERT"),
                                  text("JOB_STATUS", "OKAY")};
    int errors = 0;
    for (int call = 0; call < 45; ++call) {
        // Every job counts, not only this one.
        CJob j("XYZ", call % 4 == 3 ? "STATUS_INT" : "TEST_MW_SELECT_CHANGING_RESULTS");
        sim.getJob(j);
        if (j.jobName != "TEST_MW_SELECT_CHANGING_RESULTS")
            continue;
        if (call % 10 == 0) {
            ++errors;
            QCOMPARE(j.getResultCount(), 1);
            checkResult(j.resultAt(0), text("JOB_STATUS", "ERROR_ARGUMENT"));
        } else {
            QCOMPARE(j.getResultCount(), 3);
            for (int i = 0; i < 3; ++i)
                checkResult(j.resultAt(i), okay.at(i));
        }
    }
    QCOMPARE(errors, 5); // calls 0, 10, 20, 30 and 40
}

void TestEdiabasJobSimulation::seededRunsRepeat()
{
    WorkDir wd;
    EdiabasJobSimulation a;
    EdiabasJobSimulation b;
    a.seed(99);
    b.seed(99);
    for (int i = 0; i < 20; ++i) {
        CJob ja("D73N57C0", "MW_SELECT_LESEN_NORM");
        CJob jb = ja;
        a.getJob(ja);
        b.getJob(jb);
        QCOMPARE(ja.getResultCount(), jb.getResultCount());
        for (int r = 0; r < ja.getResultCount(); ++r)
            QCOMPARE(ja.resultAt(r).realValue, jb.resultAt(r).realValue);
    }
}

void TestEdiabasJobSimulation::drawsCoverTheRange()
{
    WorkDir wd;
    EdiabasJobSimulation sim;
    sim.seed(12345);
    int lo = 32767;
    int hi = 0;
    for (int i = 0; i < 20000; ++i) {
        const int r = sim.rand();
        QVERIFY(r >= 0 && r <= 32767);
        lo = qMin(lo, r);
        hi = qMax(hi, r);
    }
    QVERIFY(lo < 100);
    QVERIFY(hi > 32667);
    const CJobResult r = sim.randomResult("R", 0, 50);
    QVERIFY(r.realValue >= 0 && r.realValue <= 50);
    QCOMPARE(r.typeName, std::string("real"));
    QCOMPARE(r.format, 8);
}

QTEST_MAIN(TestEdiabasJobSimulation)
#include "tst_ediabasjobsimulation.moc"
