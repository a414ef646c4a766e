// Decoding replies into named, scaled results: the data types, the number
// forms of the factors, the ignition bits of BMSS501, the bounds of every
// read, and the text line of the testing window.
#include "cjob.h"
#include "ecudataresponse.h"
#include "ecudatasolver.h"
#include "workdir.h"

#include <QtTest>
#include <cmath>

namespace {

CJob job(const char *ecu, const char *jobName, const char *telegram)
{
    CJob j;
    j.ecuName = ecu;
    j.jobName = jobName;
    j.telegram = telegram;
    return j;
}

ResultInfoRow row(const QString &byte, const QString &type, const QString &factA, const QString &factB)
{
    ResultInfoRow r;
    r.NAME = r.JOBNAME = QStringLiteral("V");
    r.TELEGRAM = QStringLiteral("T");
    r.BYTE = byte;
    r.DATA_TYPE = type;
    r.FACT_A = factA;
    r.FACT_B = factB;
    return r;
}

QByteArray reply(int size, int at, const QByteArray &bytes)
{
    QByteArray r(size, '\0');
    r.replace(at, bytes.size(), bytes);
    return r;
}

} // namespace

class TstEcuDataSolver : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void value_data();
    void value();
    void boundedReads_data();
    void boundedReads();
    void mrma24Battery();
    void bmss501EngineSpeed();
    void digitalStatus_data();
    void digitalStatus();
    void d73Boost();
    void emptyLongNameAndUnknownType();
    void noTableOrTelegram();
    void defaultLocaleUntouched();
    void resultLine();

private:
    WorkDir *wd = nullptr;
    EcuDataSolver *solver = nullptr;
};

void TstEcuDataSolver::init()
{
    wd = new WorkDir;
    for (const char *key : {"MRMA24", "BMSS501", "D73N57C0", "MS430DS0"})
        QVERIFY(wd->write(QStringLiteral("ecudata/%1_DATATABLE").arg(key), QByteArray()));
    solver = new EcuDataSolver;
    solver->loadTables();
}

void TstEcuDataSolver::cleanup()
{
    delete solver;
    delete wd;
}

void TstEcuDataSolver::value_data()
{
    QTest::addColumn<QString>("type");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("factA");
    QTest::addColumn<QString>("factB");
    QTest::addColumn<double>("expected");

    QTest::newRow("5: unsigned, high byte first") << "5" << QByteArray("\x1B\x58") << "0.5" << "0" << 3500.0;
    QTest::newRow("7: signed, high byte first") << "7" << QByteArray("\xFF\x38") << "0.1" << "0" << -20.0;
    QTest::newRow("4: signed, low byte first") << "4" << QByteArray("\x38\xFF") << "1" << "0" << -200.0;
    QTest::newRow("4: positive") << "4" << QByteArray("\x01\x02") << "1" << "0" << 513.0;
    QTest::newRow("3: signed byte") << "3" << QByteArray("\xF6") << "1" << "-128" << -138.0;
    QTest::newRow("2: 0x80 with offset") << "2" << QByteArray("\x80") << "1" << "-128" << 0.0;
    QTest::newRow("3: 0x80 with offset") << "3" << QByteArray("\x80") << "1" << "-128" << -256.0;
    QTest::newRow("decimal comma") << "2" << QByteArray("\x96") << "0,08139" << "0" << 12.2085;
    QTest::newRow("decimal point") << "2" << QByteArray("\x0A") << "6.0278" << "302.78" << 363.058;
    QTest::newRow("1.000 is one, not a thousand") << "2" << QByteArray("\x07") << "1.000" << "0" << 7.0;
    QTest::newRow("1,000 is one too") << "2" << QByteArray("\x07") << "1,000" << "0" << 7.0;
    QTest::newRow("empty factors read 0") << "2" << QByteArray("\x07") << "" << "" << 0.0;
    QTest::newRow("not a number reads 0") << "2" << QByteArray("\x07") << "abc" << "5" << 5.0;
    QTest::newRow("unknown code: the plain byte") << "1" << QByteArray("\x10") << "1" << "0" << 16.0;
    QTest::newRow("code 6 with a factor") << "6" << QByteArray("\x10") << "0,5" << "0" << 8.0;
    QTest::newRow("code text must match exactly") << " 2" << QByteArray("\xF6") << "1" << "0" << 246.0;
}

void TstEcuDataSolver::value()
{
    QFETCH(QString, type);
    QFETCH(QByteArray, bytes);
    QFETCH(QString, factA);
    QFETCH(QString, factB);
    QFETCH(double, expected);
    EcuDataResponse response;
    response.setData(reply(12, 4, bytes));
    const double v = solver->getSingleResult(row(QStringLiteral("4"), type, factA, factB), response);
    QVERIFY2(std::fabs(v - expected) < 1e-9, qPrintable(QString::number(v, 'g', 12)));
}

void TstEcuDataSolver::boundedReads_data()
{
    QTest::addColumn<int>("replyLength");
    QTest::addColumn<QString>("byte");
    QTest::addColumn<QString>("type");
    QTest::addColumn<bool>("decoded");

    QTest::newRow("one byte at the last position") << 5 << "4" << "2" << true;
    QTest::newRow("reply of exactly B bytes") << 4 << "4" << "2" << false;
    QTest::newRow("two bytes, the second missing") << 5 << "4" << "5" << false;
    QTest::newRow("two bytes at the end") << 6 << "4" << "7" << true;
    QTest::newRow("empty reply") << 0 << "0" << "2" << false;
    QTest::newRow("negative position") << 10 << "-1" << "2" << false;
    QTest::newRow("negative position, two bytes") << 10 << "-1" << "4" << false;
    QTest::newRow("position past int range") << 10 << "2147483647" << "5" << false;
    QTest::newRow("position not a number reads 0") << 1 << "x" << "2" << true;
    QTest::newRow("unknown type reads one byte") << 4 << "4" << "6" << false;
}

void TstEcuDataSolver::boundedReads()
{
    QFETCH(int, replyLength);
    QFETCH(QString, byte);
    QFETCH(QString, type);
    QFETCH(bool, decoded);
    const ResultInfoRow r = row(byte, type, QStringLiteral("1"), QStringLiteral("0"));
    EcuDataResponse response;
    response.setData(QByteArray(replyLength, '\x05'));
    QCOMPARE(EcuDataSolver::replyHoldsRow(r, response.data()), decoded);
    const double v = solver->getSingleResult(r, response);
    if (!decoded)
        QCOMPARE(v, 0.0);
    else
        QVERIFY(v > 0.0);
}

void TstEcuDataSolver::mrma24Battery()
{
    CJob j = job("MRMA24_SERIAL", "STATUS_MRMA", "8212F321A1");
    EcuDataResponse response;
    response.setData(reply(16, 5, QByteArray("\x96")));
    QVERIFY(solver->fillJobResults(j, response));
    QCOMPARE(j.getResultCount(), 11);
    const CJobResult &batt = j.resultAt(0);
    QCOMPARE(QString::fromStdString(batt.name), QStringLiteral("STATUS_UBATT"));
    QCOMPARE(QString::fromStdString(batt.displayName), QStringLiteral("Battery"));
    QCOMPARE(QString::fromStdString(batt.comment), QStringLiteral("Battery"));
    QCOMPARE(QString::fromStdString(batt.typeName), QStringLiteral("real"));
    QCOMPARE(batt.format, 8);
    QVERIFY(std::fabs(batt.realValue - 12.2085) < 1e-9);
    QCOMPARE(QString::fromLatin1(batt.textValue), QStringLiteral("1.220850E+01"));
    QCOMPARE(QString::fromStdString(batt.unit), QStringLiteral("V"));
    QCOMPARE(QString::fromStdString(batt.numberFormat), QStringLiteral("3.6"));
    // cTCO: byte 8 at 0 gives the offset alone.
    QCOMPARE(QString::fromStdString(j.resultAt(5).name), QStringLiteral("STATUS_LAMBDA"));
    QCOMPARE(j.resultAt(5).realValue, 302.78);
    QCOMPARE(QString::fromStdString(j.resultAt(5).unit), QStringLiteral("mV"));

    // A short reply: the rows beyond it give no result, the others do.
    CJob shortJob = job("MRMA24_SERIAL", "STATUS_MRMA", "8212F321A1");
    response.setData(reply(9, 5, QByteArray("\x96")));
    QVERIFY(solver->fillJobResults(shortJob, response));
    QVERIFY(shortJob.getResultCount() > 1);
    QVERIFY(shortJob.getResultCount() < 11);
    QCOMPARE(QString::fromStdString(shortJob.resultAt(0).name), QStringLiteral("STATUS_UBATT"));
}

void TstEcuDataSolver::bmss501EngineSpeed()
{
    CJob j = job("BMSS501_SERIAL", "STATUS_MESSWERTE", "12050B03");
    EcuDataResponse response;
    response.setData(reply(64, 3, QByteArray("\x1B\x58")));
    QVERIFY(solver->fillJobResults(j, response));
    QCOMPARE(j.getResultCount(), 27);
    const CJobResult &rpm = j.resultAt(0);
    QCOMPARE(QString::fromStdString(rpm.name), QStringLiteral("STATUS_MOTORDREHZAHL"));
    QCOMPARE(QString::fromStdString(rpm.displayName), QStringLiteral("RPM"));
    QCOMPARE(rpm.realValue, 7000.0);
    QCOMPARE(QString::fromStdString(rpm.unit), QStringLiteral("1/min"));
    QCOMPARE(QString::fromStdString(rpm.numberFormat), QStringLiteral("5.1"));
}

void TstEcuDataSolver::digitalStatus_data()
{
    QTest::addColumn<QString>("ecu");
    QTest::addColumn<QString>("jobName");
    QTest::addColumn<int>("replyLength");
    QTest::addColumn<bool>("bits");

    QTest::newRow("BMSS501 STATUS_DIGITAL") << "BMSS501_SERIAL" << "STATUS_DIGITAL" << 64 << true;
    QTest::newRow("name only begins so") << "BMSS501_SERIAL" << "STATUS_DIGITAL_2" << 64 << true;
    QTest::newRow("job name is case-sensitive") << "BMSS501_SERIAL" << "status_digital" << 64 << false;
    QTest::newRow("ECU name must match exactly") << "BMSS501" << "STATUS_DIGITAL" << 64 << false;
    QTest::newRow("another ECU") << "MS430DS0_SERIAL" << "STATUS_DIGITAL" << 64 << false;
    QTest::newRow("reply without byte 7") << "BMSS501_SERIAL" << "STATUS_DIGITAL" << 7 << false;
}

void TstEcuDataSolver::digitalStatus()
{
    QFETCH(QString, ecu);
    QFETCH(QString, jobName);
    QFETCH(int, replyLength);
    QFETCH(bool, bits);
    CJob j = job(ecu.toLatin1().constData(), jobName.toLatin1().constData(), "12050B03");
    EcuDataResponse response;
    QByteArray r(replyLength, '\0');
    if (replyLength > 7)
        r[7] = '\x25';
    response.setData(r);
    solver->fillJobResults(j, response);
    int first = 0;
    if (bits) {
        const int expected[6] = {1, 0, 1, 0, 0, 1};
        for (int i = 0; i < 6; ++i) {
            const CJobResult &z = j.resultAt(i);
            QCOMPARE(QString::fromStdString(z.name), QStringLiteral("ZUENDUNG%1_AKTIV").arg(i));
            QCOMPARE(z.displayName, z.name);
            QCOMPARE(QString::fromStdString(z.typeName), QStringLiteral("int"));
            QCOMPARE(z.format, 2);
            QCOMPARE(int(z.intValue), expected[i]);
            QCOMPARE(z.realValue, double(expected[i]));
            QCOMPARE(QString::fromLatin1(z.textValue), expected[i] ? QStringLiteral("1.000000E+00") : QStringLiteral("0.000000E+00"));
            QVERIFY(z.unit.empty() && z.comment.empty() && z.numberFormat.empty());
        }
        first = 6;
    }
    for (int i = first; i < j.getResultCount(); ++i)
        QVERIFY(!QString::fromStdString(j.resultAt(i).name).startsWith(QStringLiteral("ZUENDUNG")));
    if (replyLength == 64 && ecu != QLatin1String("MS430DS0_SERIAL") && ecu != QLatin1String("BMSS501"))
        QCOMPARE(j.getResultCount(), first + 27);
}

void TstEcuDataSolver::d73Boost()
{
    CJob j = job("D73N57C0_SERIAL", "STATUS_LADEDRUCK", "8412F12C10076D");
    EcuDataResponse response;
    // 84 F1 12 6C 10 then the raw boost word 0x2B67 = 11111.
    response.setData(QByteArray::fromHex("84F1126C102B6700"));
    QVERIFY(solver->fillJobResults(j, response));
    QCOMPARE(j.getResultCount(), 1);
    const CJobResult &boost = j.resultAt(0);
    QCOMPARE(QString::fromStdString(boost.name), QStringLiteral("STATUS_LADEDRUCK_IST"));
    QCOMPARE(QString::fromStdString(boost.displayName), QStringLiteral("STAT_LADEDRUCK_WERT"));
    QVERIFY(std::fabs(boost.realValue - 11111 * 0.091554) < 1e-9);
    QCOMPARE(QString::fromStdString(boost.unit), QStringLiteral("hPa"));
    QCOMPARE(QString::fromStdString(boost.numberFormat), QStringLiteral("6.6"));
}

void TstEcuDataSolver::emptyLongNameAndUnknownType()
{
    // ECTPWM: code "0", factor "0,3922", no long name.
    CJob j = job("MS430DS0_SERIAL", "STEUERN", "1206228300");
    EcuDataResponse response;
    response.setData(QByteArray::fromHex("64"));
    QVERIFY(solver->fillJobResults(j, response));
    QCOMPARE(j.getResultCount(), 1);
    const CJobResult &r = j.resultAt(0);
    QCOMPARE(QString::fromStdString(r.name), QStringLiteral("STEUERN_KF_THERMOSTAT"));
    QCOMPARE(r.displayName, r.name);
    QVERIFY(r.comment.empty());
    QVERIFY(std::fabs(r.realValue - 100 * 0.3922) < 1e-9);
    QCOMPARE(QString::fromStdString(r.unit), QStringLiteral("%"));
}

void TstEcuDataSolver::noTableOrTelegram()
{
    EcuDataResponse response;
    response.setData(QByteArray(64, '\x01'));
    CJob noTable = job("MS410DS1_SERIAL", "X", "12050B03");
    QVERIFY(!solver->fillJobResults(noTable, response));
    QCOMPARE(noTable.getResultCount(), 0);
    CJob noRows = job("MRMA24_SERIAL", "X", "8212f321a1");
    QVERIFY(!solver->fillJobResults(noRows, response));
    QCOMPARE(noRows.getResultCount(), 0);
    CJob empty = job("MRMA24_SERIAL", "X", "8212F321A1");
    response.setData(QByteArray());
    QVERIFY(solver->fillJobResults(empty, response));
    QCOMPARE(empty.getResultCount(), 0);
}

void TstEcuDataSolver::defaultLocaleUntouched()
{
    const QLocale before;
    QLocale::setDefault(QLocale::c());
    CJob j = job("MRMA24_SERIAL", "STATUS_MRMA", "8212F321A1");
    EcuDataResponse response;
    response.setData(reply(16, 5, QByteArray("\x96")));
    QVERIFY(solver->fillJobResults(j, response));
    QCOMPARE(QLocale().language(), QLocale::C);
    QCOMPARE(QLocale().toString(1.5), QStringLiteral("1.5"));
    QLocale::setDefault(before);
}

void TstEcuDataSolver::resultLine()
{
    CJob j = job("MRMA24_SERIAL", "STATUS_MRMA", "8212F321A1");
    auto rows = solver->getEcuDataTable(j)->rowsForTelegram(j);
    QVERIFY(rows);
    EcuDataResponse response;
    response.setData(reply(16, 5, QByteArray("\x96")));
    const QString line = solver->formatResultLine(rows->first(), response);
    QCOMPARE(line, QStringLiteral("Battery") + QString(33, ' ') + " --------------------- " + QString(8, ' ')
                       + "12.2085" + "   " + "V" + QString(9, ' '));
    // A long name longer than its column is not cut, and "%" signs stay.
    ResultInfoRow r = row("0", "2", "1", "0");
    r.LNAME = QStringLiteral("%1 %2 ") + QString(45, 'x');
    r.MEAS = QStringLiteral("%3");
    response.setData(QByteArray::fromHex("FF"));
    QCOMPARE(solver->formatResultLine(r, response),
             r.LNAME + " --------------------- " + QString(12, ' ') + "255   %3" + QString(8, ' '));
}

QTEST_GUILESS_MAIN(TstEcuDataSolver)
#include "tst_ecudatasolver.moc"
