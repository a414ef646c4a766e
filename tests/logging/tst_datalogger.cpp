#include "datalogger.h"
#include "exactnumber.h"
#include "loggerfixture.h"
#include "q14point7thread.h"
#include "workdir.h"

#include <QDomDocument>
#include <QProcess>
#include <QSignalSpy>
#include <QtTest>
#include <cstdlib>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <sys/resource.h>

using namespace loggerfixture;

// A logger driven in the test's own thread, with a fixed clock.
struct Harness
{
    DataLogger logger;
    qint64 now = t0();
    Harness()
    {
        logger.setClock([this] { return now; });
    }
    void configure(int timeFormat, QChar separator, QChar decimal, bool fill)
    {
        logger.setTimeFormat(timeFormat);
        logger.setSeparator(separator);
        logger.setDecimalSeparator(decimal);
        logger.setFillColumns(fill);
    }
    QByteArray stop()
    {
        const QString name = logger.fileName();
        logger.stopLog();
        QFile f(name);
        f.open(QIODevice::ReadOnly);
        return f.readAll();
    }
};

class TestDataLogger : public QObject
{
    Q_OBJECT
private slots:
    void golden_data();
    void golden();
    void cells_data();
    void cells();
    void linesSplitIntoHeaderFields_data();
    void linesSplitIntoHeaderFields();
    void syncJobWritesNoLineOfItsOwn();
    void jobsOfOneNameKeepTheirColumns_data();
    void jobsOfOneNameKeepTheirColumns();
    void timeOfDayWraps();
    void earlyJobIgnoredAndMarkers();
    void fileNames();
    void sideFile();
    void ruleStopsAndRestarts();
    void ruleJudgesNumbersOnly();
    void sourceRawBytesStayText();
    void columnsChangeStartsNewFile();
    void unwritableFolderReported();
    void linesSurviveACrash();
    void fullDiskStopsTheLog_data();
    void fullDiskStopsTheLog();
};

void TestDataLogger::golden_data()
{
    QTest::addColumn<int>("timeFormat");
    QTest::addColumn<QChar>("separator");
    QTest::addColumn<QChar>("decimal");
    QTest::addColumn<bool>("fill");
    QTest::addColumn<QByteArray>("expected");

    QTest::newRow("ms ; fill off") << 0 << QChar(';') << QChar('.') << false
                                   << QByteArray("time;A;B;Z\r\n1500;3.5;7;\r\n1700;;;42\r\n");
    QTest::newRow("ms ; fill on") << 0 << QChar(';') << QChar('.') << true
                                  << QByteArray("time;A;B;Z\r\n1500;3.5;7;\r\n1700;3.5;7;42\r\n");
    QTest::newRow("ms tab comma") << 0 << QChar('\t') << QChar(',') << false
                                  << QByteArray("time\tA\tB\tZ\r\n1500\t3,5\t7\t\r\n1700\t\t\t42\r\n");
    QTest::newRow("seconds comma") << 1 << QChar(';') << QChar(',') << false
                                   << QByteArray("time;A;B;Z\r\n00:00:01,500;3,5;7;\r\n00:00:01,700;;;42\r\n");
    QTest::newRow("seconds , dot") << 1 << QChar(',') << QChar('.') << true
                                   << QByteArray("time,A,B,Z\r\n00:00:01.500,3.5,7,\r\n00:00:01.700,3.5,7,42\r\n");
    // The same character for both: numbers and times keep a "." instead.
    QTest::newRow("seconds , ,") << 1 << QChar(',') << QChar(',') << true
                                 << QByteArray("time,A,B,Z\r\n00:00:01.500,3.5,7,\r\n00:00:01.700,3.5,7,42\r\n");
    const QByteArray c1 = QDateTime::fromMSecsSinceEpoch(t0() + 1500).time().toString("HH:mm:ss.zzz").toLatin1();
    const QByteArray c2 = QDateTime::fromMSecsSinceEpoch(t0() + 1700).time().toString("HH:mm:ss.zzz").toLatin1();
    QTest::newRow("clock time") << 2 << QChar(';') << QChar('.') << false
                                << QByteArray("time;A;B;Z\r\n" + c1 + ";3.5;7;\r\n" + c2 + ";;;42\r\n");
    const QByteArray sys = QByteArray::number(t0() + 2000);
    QTest::newRow("system ms") << 3 << QChar(';') << QChar('.') << false
                               << QByteArray("time;A;B;Z\r\n" + sys + ";3.5;7;\r\n" + sys + ";;;42\r\n");
}

void TestDataLogger::golden()
{
    QFETCH(int, timeFormat);
    QFETCH(QChar, separator);
    QFETCH(QChar, decimal);
    QFETCH(bool, fill);
    QFETCH(QByteArray, expected);
    WorkDir wd;
    Harness h;
    h.configure(timeFormat, separator, decimal, fill);
    h.logger.addToFilter(column("J1", "A"));
    h.logger.addToFilter(column("J1", "B"));
    h.logger.addToFilter(column("J2", "Z"));
    h.logger.startLog();
    QCOMPARE(h.logger.fileStatus(), int(DataLogger::Saving));
    h.now = t0() + 2000;
    h.logger.handleData(job("J1", t0() + 1500, {result("A", "3.500000"), result("B", "7")}));
    QCOMPARE(h.logger.lineCount(), 1); // the header goes with the first line
    h.logger.handleData(job("J2", t0() + 1700, {result("Z", "42")}));
    h.logger.handleData(job("OTHER", t0() + 1800, {result("A", "1")}));
    QCOMPARE(h.logger.lineCount(), 2);
    QCOMPARE(h.stop(), expected);
}

void TestDataLogger::cells_data()
{
    QTest::addColumn<QString>("value");
    QTest::addColumn<int>("format");
    QTest::addColumn<QChar>("decimal");
    QTest::addColumn<QString>("cell");
    QTest::newRow("comma") << "12.5" << 8 << QChar(',') << "12,5";
    QTest::newRow("text") << "abc" << 6 << QChar('.') << "abc";
    // Every digit of the number, and no more than it takes.
    QTest::newRow("seven digits") << "1234567" << 8 << QChar('.') << "1234567";
    QTest::newRow("32-bit counter") << "4294967295" << 5 << QChar('.') << "4294967295";
    QTest::newRow("real, comma") << "12345.678" << 8 << QChar(',') << "12345,678";
    QTest::newRow("%E text") << "1.234568E+04" << 8 << QChar('.') << "12345.68";
    QTest::newRow("trailing zeros") << "3.500000" << 8 << QChar('.') << "3.5";
    QTest::newRow("below a millionth") << "1.5e-7" << 8 << QChar(',') << "1,5e-07";
    QTest::newRow("blanks are no number") << " \t" << 8 << QChar('.') << " \t";
    QTest::newRow("hex stays") << "0A1B" << 7 << QChar('.') << "0A1B";
    QTest::newRow("hex digits stay") << "00012345" << 7 << QChar('.') << "00012345";
    QTest::newRow("hex exponent stays") << "1E10" << 7 << QChar(',') << "1E10";
    QTest::newRow("empty") << "" << 8 << QChar('.') << "";
    QTest::newRow("separator inside") << "a;b" << 6 << QChar('.') << "a b";
    QTest::newRow("line breaks inside") << "a\r\nb" << 6 << QChar('.') << "a  b";
    QTest::newRow("decimal is the separator") << "12.5" << 8 << QChar(';') << "12.5";
}

void TestDataLogger::cells()
{
    QFETCH(QString, value);
    QFETCH(int, format);
    QFETCH(QChar, decimal);
    QFETCH(QString, cell);
    QCOMPARE(DataLogger::cellText(value, format, decimal, QChar(';')), cell);
}

void TestDataLogger::linesSplitIntoHeaderFields_data()
{
    QTest::addColumn<QChar>("separator");
    QTest::addColumn<QChar>("decimal");
    for (const QChar sep : {QChar(';'), QChar(','), QChar('\t')}) {
        for (const QChar dec : {QChar(','), QChar('.'), sep}) {
            const QString name = QStringLiteral("sep %1 dec %2")
                                     .arg(sep == '\t' ? QStringLiteral("tab") : QString(sep))
                                     .arg(dec == '\t' ? QStringLiteral("tab") : QString(dec));
            QTest::newRow(qPrintable(name)) << sep << dec;
        }
    }
}

void TestDataLogger::linesSplitIntoHeaderFields()
{
    QFETCH(QChar, separator);
    QFETCH(QChar, decimal);
    // Every time format and both fill modes, values with decimals, a text
    // holding the separator: every line splits into the header's fields.
    for (int timeFormat = 0; timeFormat <= 3; ++timeFormat) {
        for (const bool fill : {false, true}) {
            WorkDir wd;
            Harness h;
            h.configure(timeFormat, separator, decimal, fill);
            h.logger.setMarkerColumn(true);
            h.logger.addToFilter(column("J1", "A", "Boost, abs."));
            h.logger.addToFilter(column("J1", "B"));
            h.logger.addToFilter(column("J2", "T", nullptr, 6));
            h.logger.startLog();
            h.logger.handleData(job("J1", t0() + 1250, {result("A", "12.5"), result("B", "-0.125")}));
            h.logger.handleData(job("J2", t0() + 3601250, {result("T", "a;b,c.d\te")}));
            h.logger.handleData(job("J1", t0() + 3602000, {result("A", "1234567"), result("B", "3")}));
            const QList<QByteArray> lines = h.stop().split('\n');
            QCOMPARE(lines.size(), 5); // four lines, each ended by CR LF
            QVERIFY(lines.last().isEmpty());
            const QByteArray sep = QString(separator).toLatin1();
            const int fields = lines.first().count(sep) + 1;
            QCOMPARE(fields, 5); // time, A, B, T, MARKER
            for (int i = 1; i < 4; ++i)
                QVERIFY2(lines.at(i).count(sep) + 1 == fields,
                         qPrintable(QStringLiteral("time format %1, fill %2: %3")
                                        .arg(timeFormat)
                                        .arg(fill)
                                        .arg(QString::fromLatin1(lines.at(i)))));
        }
    }
}

void TestDataLogger::syncJobWritesNoLineOfItsOwn()
{
    WorkDir wd;
    Harness h;
    h.logger.setFillColumns(true);
    h.logger.addToFilter(column("J1", "A"));
    h.logger.addToFilter(column("J2", "Z"));
    h.logger.addSyncJob(CJob("ECU", "J2"));
    h.logger.startLog();
    h.logger.handleData(job("J2", t0() + 100, {result("Z", "1")})); // first line: written all the same
    h.logger.handleData(job("J1", t0() + 200, {result("A", "2")}));
    h.logger.handleData(job("J2", t0() + 300, {result("Z", "3")}));
    h.logger.handleData(job("J1", t0() + 400, {result("A", "4")}));
    QCOMPARE(h.stop(), QByteArray("time;A;Z\r\n100;;1\r\n200;2;1\r\n400;4;3\r\n"));
}

void TestDataLogger::jobsOfOneNameKeepTheirColumns_data()
{
    QTest::addColumn<QString>("ecuB");
    QTest::addColumn<QString>("argsA");
    QTest::addColumn<QString>("argsB");
    QTest::addColumn<bool>("fill");
    QTest::addColumn<QByteArray>("expected");
    const QByteArray apart = "time;N;T;N2;V\r\n100;3000;90;;\r\n200;;;800;50\r\n300;3100;91;;\r\n";
    const QByteArray filled = "time;N;T;N2;V\r\n100;3000;90;;\r\n200;3000;90;800;50\r\n300;3100;91;800;50\r\n";
    QTest::newRow("two ECUs, fill off") << "D73N57C0" << "" << "" << false << apart;
    QTest::newRow("two ECUs, fill on") << "D73N57C0" << "" << "" << true << filled;
    QTest::newRow("two ECUs, arguments alike") << "D73N57C0" << "5A10" << "5A10" << false << apart;
    QTest::newRow("one ECU, two arguments, fill off") << "MSV70" << "5A10" << "5A11" << false << apart;
    QTest::newRow("one ECU, two arguments, fill on") << "MSV70" << "5A10" << "5A11" << true << filled;
}

// MSV70's engine speed and coolant, and the other job's engine speed and
// vehicle speed: both jobs are MW, and each job's values go only into its
// own columns.
void TestDataLogger::jobsOfOneNameKeepTheirColumns()
{
    QFETCH(QString, ecuB);
    QFETCH(QString, argsA);
    QFETCH(QString, argsB);
    QFETCH(bool, fill);
    QFETCH(QByteArray, expected);
    WorkDir wd;
    Harness h;
    h.logger.setFillColumns(fill);
    const std::string b = ecuB.toStdString();
    auto withArgs = [](CJobResultPair p, const QString &args) {
        p.job.arguments = args.toStdString();
        return p;
    };
    h.logger.addToFilter(withArgs(column("MW", "ENG", "N", 8, "MSV70"), argsA));
    h.logger.addToFilter(withArgs(column("MW", "TCLNT", "T", 8, "MSV70"), argsA));
    h.logger.addToFilter(withArgs(column("MW", "ENG", "N2", 8, b.c_str()), argsB));
    h.logger.addToFilter(withArgs(column("MW", "SPEED", "V", 8, b.c_str()), argsB));
    h.logger.startLog();
    auto send = [&h](const char *ecu, const QString &args, qint64 at, std::initializer_list<CJobResult> results) {
        CJob j = job("MW", t0() + at, results, ecu);
        j.arguments = args.toStdString();
        h.logger.handleData(j);
    };
    send("MSV70", argsA, 100, {result("ENG", "3000"), result("TCLNT", "90")});
    send(b.c_str(), argsB, 200, {result("ENG", "800"), result("TCLNT", "20"), result("SPEED", "50")});
    send("MSV70", argsA, 300, {result("ENG", "3100"), result("TCLNT", "91")});
    QCOMPARE(h.stop(), expected);
}

void TestDataLogger::timeOfDayWraps()
{
    WorkDir wd;
    Harness h;
    h.logger.setTimeFormat(1);
    h.logger.setDecimalSeparator(',');
    h.logger.addToFilter(column("J", "A"));
    h.logger.startLog();
    const qint64 later = ((25LL * 60 + 1) * 60 + 1) * 1000;
    h.logger.handleData(job("J", t0() + later, {result("A", "1")}));
    QCOMPARE(h.stop(), QByteArray("time;A\r\n01:01:01,000;1\r\n"));
}

void TestDataLogger::earlyJobIgnoredAndMarkers()
{
    WorkDir wd;
    Harness h;
    h.logger.setMarkerColumn(true);
    h.logger.addToFilter(column("J", "A"));
    h.logger.startLog();
    h.logger.handleData(job("J", t0() - 1, {result("A", "9")}));
    QCOMPARE(h.logger.lineCount(), 0);
    h.logger.handleData(job("J", t0() + 10, {result("A", "1")}));
    h.logger.onMarkerEvent();
    h.logger.handleData(job("J", t0() + 20, {result("A", "2")}));
    QCOMPARE(h.stop(), QByteArray("time;A;MARKER\r\n10;1;Marker.0\r\n20;2;Marker.1\r\n"));
}

void TestDataLogger::fileNames()
{
    WorkDir wd;
    QVERIFY(QDir().mkpath("logs"));
    Harness h;
    h.logger.setLogPath("logs");
    h.logger.setFilePrefix("run_");
    h.logger.addToFilter(column("J", "A"));
    h.logger.startLog();
    QCOMPARE(h.logger.fileName(), QString("logs/run_2026-12-10-134530.csv"));
    h.logger.handleData(job("J", t0() + 1, {result("A", "1")}));
    const QByteArray first = h.stop();
    // A second start within the same second neither reuses nor truncates.
    h.logger.startLog();
    QCOMPARE(h.logger.fileName(), QString("logs/run_2026-12-10-134530_1.csv"));
    QVERIFY(QFile::exists("logs/run_2026-12-10-134530_1.csv.info"));
    h.logger.stopLog();
    QCOMPARE(wd.read("logs/run_2026-12-10-134530.csv"), first);

    // An empty log path is the working directory.
    Harness h2;
    h2.logger.setLogPath(QString());
    h2.logger.startLog();
    QCOMPARE(QFileInfo(h2.logger.fileName()).absolutePath(), QDir::current().absolutePath());
    h2.logger.stopLog();
}

void TestDataLogger::sideFile()
{
    WorkDir wd;
    Harness h;
    h.logger.setSeparator('\t');
    h.logger.setTimeFormat(2);
    CJobResultPair a = column("J&1", "A", "Boost <bar>");
    a.job.virtualName = "V&<";
    h.logger.addToFilter(a);
    h.logger.addToFilter(column("J2", "Z", nullptr, 8, "ECU2"));
    h.logger.startLog();
    const QString info = h.logger.fileName() + ".info";
    h.logger.stopLog();

    QFile f(info);
    QVERIFY(f.open(QIODevice::ReadOnly));
    const QByteArray bytes = f.readAll();
    QVERIFY(bytes.startsWith("<?xml version=\"1.0\" encoding=\"UTF-8\"?>"));
    QVERIFY(bytes.contains("<CSVSeparator><![CDATA[\t]]></CSVSeparator>"));
    QDomDocument doc;
    QVERIFY(doc.setContent(bytes));
    QDomElement root = doc.documentElement();
    QCOMPARE(root.tagName(), QString("CSVFile"));
    QDomElement infoEl = root.firstChildElement("info");
    QCOMPARE(infoEl.firstChildElement("starttime").text(), QString::number(t0()));
    QCOMPARE(infoEl.firstChildElement("startdate").text(), QString("2026-12-10 13:45:30.000"));
    QCOMPARE(infoEl.firstChildElement("timeformat").text(), QString("2"));
    QCOMPARE(infoEl.firstChildElement("CSVSeparator").text(), QString("\t"));
    QDomNodeList columns = infoEl.firstChildElement("columns").elementsByTagName("column");
    QCOMPARE(columns.size(), 2);
    QDomElement c1 = columns.at(0).toElement();
    QCOMPARE(c1.firstChildElement("number").text(), QString("1"));
    QCOMPARE(c1.firstChildElement("ecu").text(), QString("ECU"));
    QCOMPARE(c1.firstChildElement("jobname").text(), QString("J&1"));
    QCOMPARE(c1.firstChildElement("virtualname").text(), QString("V&<"));
    QCOMPARE(c1.firstChildElement("resultname").text(), QString("Boost <bar>"));
    QDomElement c2 = columns.at(1).toElement();
    QCOMPARE(c2.firstChildElement("number").text(), QString("2"));
    QCOMPARE(c2.firstChildElement("ecu").text(), QString("ECU2"));
    QCOMPARE(c2.firstChildElement("virtualname").text(), QString());

    // Without a display name the header and the side file both name the
    // column by its result name.
    Harness h2;
    h2.logger.addToFilter(column("J3", "STAT_X_WERT", ""));
    h2.logger.startLog();
    h2.logger.handleData(job("J3", t0() + 10, {result("STAT_X_WERT", "1")}));
    const QString info2 = h2.logger.fileName() + ".info";
    QVERIFY(h2.stop().startsWith("time;STAT_X_WERT\r\n"));
    QFile f2(info2);
    QVERIFY(f2.open(QIODevice::ReadOnly));
    QDomDocument doc2;
    QVERIFY(doc2.setContent(f2.readAll()));
    QCOMPARE(doc2.documentElement().firstChildElement("info").firstChildElement("columns")
                 .firstChildElement("column").firstChildElement("resultname").text(),
             QString("STAT_X_WERT"));

    // A side file that cannot be made is reported; the log goes on. A
    // dangling link in its place looks free, yet refuses a new file.
    QVERIFY(QDir().mkpath("side"));
    QVERIFY(QFile::link("gone/nowhere", "side/run_2026-12-10-134530.csv.info"));
    Harness h3;
    QSignalSpy errors(&h3.logger, &DataLogger::logFileError);
    QSignalSpy started(&h3.logger, &DataLogger::logFileStarted);
    h3.logger.setLogPath("side");
    h3.logger.setFilePrefix("run_");
    h3.logger.addToFilter(column("J", "A"));
    h3.logger.startLog();
    QCOMPARE(errors.size(), 1);
    QVERIFY2(errors.first().first().toString().startsWith("Cannot create side file"),
             qPrintable(errors.first().first().toString()));
    QCOMPARE(started.size(), 1);
    QCOMPARE(h3.logger.fileStatus(), int(DataLogger::Saving));
    h3.logger.handleData(job("J", t0() + 10, {result("A", "1")}));
    QCOMPARE(h3.stop(), QByteArray("time;A\r\n10;1\r\n"));
    QCOMPARE(errors.size(), 1);
}

// A rule that logs while J's X lies between 10 and 20.
static LoggingRule tenToTwentyOnX()
{
    LoggingRule rule;
    rule.active = true;
    rule.lower = {10.0, RuleCondition::Larger};
    rule.upper = {20.0, RuleCondition::Smaller};
    rule.watch(column("J", "X"));
    return rule;
}

void TestDataLogger::ruleStopsAndRestarts()
{
    WorkDir wd;
    Harness h;
    h.logger.setRule(tenToTwentyOnX());
    QVERIFY(h.logger.isRuleActive());
    h.logger.addToFilter(column("J", "X"));
    QSignalSpy started(&h.logger, &DataLogger::logFileStarted);
    QSignalSpy stopped(&h.logger, &DataLogger::logFileStopped);
    h.logger.startLog();
    h.logger.handleData(job("J", t0() + 100, {result("X", "15")}));
    h.logger.handleData(job("J", t0() + 200, {result("X", "25")})); // leaves the range: stop
    QCOMPARE(stopped.count(), 1);
    QCOMPARE(h.logger.fileStatus(), int(DataLogger::Stopped));
    h.logger.handleData(job("J", t0() + 300, {result("X", "30")}));
    QCOMPARE(started.count(), 1);
    h.now = t0() + 450; // the new file starts when the job is handled, after it ran
    h.logger.handleData(job("J", t0() + 400, {result("X", "15")})); // back inside: a new file
    QCOMPARE(started.count(), 2);
    const QString first = started.at(0).at(0).toString();
    const QString second = started.at(1).at(0).toString();
    QVERIFY(first != second);
    QCOMPARE(h.stop(), QByteArray("time;X\r\n0;15\r\n"));
    QCOMPARE(wd.read(first), QByteArray("time;X\r\n100;15\r\n"));
}

void TestDataLogger::ruleJudgesNumbersOnly()
{
    // A blank or a text is no value of the watched result: it does not stop
    // the log, as a 0 outside the range would.
    WorkDir wd;
    Harness h;
    h.logger.setRule(tenToTwentyOnX());
    h.logger.addToFilter(column("J", "X"));
    QSignalSpy started(&h.logger, &DataLogger::logFileStarted);
    QSignalSpy stopped(&h.logger, &DataLogger::logFileStopped);
    h.logger.startLog();
    h.logger.handleData(job("J", t0() + 100, {result("X", "15")}));
    h.logger.handleData(job("J", t0() + 200, {result("X", " ")}));
    h.logger.handleData(job("J", t0() + 300, {result("X", "n/a")}));
    QCOMPARE(stopped.count(), 0);
    QCOMPARE(h.logger.fileStatus(), int(DataLogger::Saving));
    QCOMPARE(started.count(), 1);
}

void TestDataLogger::sourceRawBytesStayText()
{
    // A 14Point7 message whose hex happens to have only decimal digits: the
    // raw bytes are logged as they came, not as a number without its
    // leading zeros. The AFR beside it keeps all its digits.
    WorkDir wd;
    Harness h;
    Q14Point7Thread source("14POINT7");
    QSignalSpy jobs(&source, &Q14Point7Thread::jobFinished);
    const QByteArray message = QByteArray::fromHex("00000000" "01020304050607080910111213" "33" "202122");
    source.onDataRead(message);
    QCOMPARE(jobs.size(), 1);
    CJob reading = jobs.at(0).at(0).value<CJob>();
    reading.timeStamp = t0() + 100;
    h.logger.addToFilter(column("14POINT7", "RAWDATA_AS_HEX", nullptr, 6, ""));
    h.logger.addToFilter(column("14POINT7", "AFR", nullptr, 8, ""));
    h.logger.startLog();
    h.logger.handleData(reading);
    const QByteArray afr = ExactNumber::of(reading.results.at(2).realValue).toLatin1();
    QCOMPARE(h.stop(), "time;RAWDATA_AS_HEX;AFR\r\n100;" + message.toHex() + ";" + afr + "\r\n");
}

void TestDataLogger::columnsChangeStartsNewFile()
{
    WorkDir wd;
    Harness h;
    h.logger.addToFilter(column("J", "A"));
    QSignalSpy started(&h.logger, &DataLogger::logFileStarted);
    h.logger.startLog();
    h.logger.handleData(job("J", t0() + 100, {result("A", "1"), result("B", "2")}));
    h.now = t0() + 150;
    h.logger.clearFilter();
    h.logger.addToFilter(column("J", "A"));
    h.logger.addToFilter(column("J", "B"));
    h.now = t0() + 300;
    h.logger.handleData(job("J", t0() + 200, {result("A", "3"), result("B", "4")}));
    QCOMPARE(started.count(), 2);
    // The last plot closed: no columns, no new file, no line.
    h.now = t0() + 350;
    h.logger.clearFilter();
    h.logger.handleData(job("J", t0() + 400, {result("A", "5"), result("B", "6")}));
    // The same columns back continue the file.
    h.now = t0() + 450;
    h.logger.addToFilter(column("J", "A"));
    h.logger.addToFilter(column("J", "B"));
    h.logger.handleData(job("J", t0() + 500, {result("A", "7"), result("B", "8")}));
    QCOMPARE(started.count(), 2);
    // A job that finished before a change reached the logger starts the new
    // file with it, instead of being dropped as older than the file.
    h.now = t0() + 700;
    h.logger.addToFilter(column("J", "C"));
    h.logger.handleData(job("J", t0() + 600, {result("A", "9"), result("C", "10")}));
    QCOMPARE(started.count(), 3);
    QCOMPARE(wd.read(started.at(0).at(0).toString()), QByteArray("time;A\r\n100;1\r\n"));
    QCOMPARE(wd.read(started.at(1).at(0).toString()), QByteArray("time;A;B\r\n50;3;4\r\n350;7;8\r\n"));
    QCOMPARE(h.stop(), QByteArray("time;A;B;C\r\n0;9;;10\r\n"));
}

void TestDataLogger::unwritableFolderReported()
{
    WorkDir wd;
    QVERIFY(wd.write("notafolder", "x"));
    Harness h;
    h.logger.setLogPath("notafolder/logs");
    QSignalSpy started(&h.logger, &DataLogger::logFileStarted);
    QSignalSpy failed(&h.logger, &DataLogger::logFileError);
    h.logger.startLog();
    QCOMPARE(failed.count(), 1);
    QVERIFY(failed.at(0).at(0).toString().contains("Cannot create log file"));
    QCOMPARE(started.count(), 0);
    QCOMPARE(h.logger.fileStatus(), int(DataLogger::Stopped));

    // An armed rule over that folder does not try again for every job; the
    // user's next start does.
    LoggingRule rule;
    rule.active = true;
    rule.watch(column("J", "A"));
    rule.upper.value = 100;
    h.logger.addToFilter(column("J", "A"));
    h.logger.setRule(rule);
    h.logger.startLog();
    QCOMPARE(failed.count(), 2);
    for (int i = 0; i < 5; ++i)
        h.logger.handleData(job("J", t0() + 100 + i, {result("A", "50")}));
    QCOMPARE(failed.count(), 2);
    h.logger.startLog();
    QCOMPARE(failed.count(), 3);
}

// The child logs N jobs and aborts without stopping the log.
static int childLogsAndAborts(int n)
{
    DataLogger logger;
    logger.setClock([] { return t0(); });
    logger.addToFilter(column("J", "A"));
    logger.startLog();
    const qint64 start = t0();
    for (int i = 0; i < n; ++i)
        logger.handleData(job("J", start + 1000 + i, {result("A", QByteArray::number(i).constData())}));
    std::abort();
}

void TestDataLogger::linesSurviveACrash()
{
    WorkDir wd;
    QProcess child;
    child.setWorkingDirectory(wd.path());
    child.start(QCoreApplication::applicationFilePath(), {"--child-log-and-abort", "25"});
    QVERIFY(child.waitForFinished(30000));
    QVERIFY(child.exitStatus() == QProcess::CrashExit || child.exitCode() != 0);
    const QStringList logs = QDir(wd.path()).entryList({"*.csv"});
    QCOMPARE(logs.size(), 1);
    const QList<QByteArray> lines = wd.read(logs.first()).split('\n');
    QCOMPARE(lines.size(), 1 + 25 + 1); // header, 25 lines, nothing after the last CRLF
    QCOMPARE(lines.first(), QByteArray("time;A\r"));
    QCOMPARE(lines.at(25), QByteArray("1024;24\r"));
}

// The child logs into a file that may not grow beyond 2000 bytes (a full
// disk) and prints how often it heard of an error and of a stop, and the
// status it ended in.
static int childFillsTheDisk(bool byRule)
{
    std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit limit;
    limit.rlim_cur = limit.rlim_max = 2000;
    if (setrlimit(RLIMIT_FSIZE, &limit) != 0)
        return 2;
    DataLogger logger;
    logger.setClock([] { return t0(); });
    logger.addToFilter(column("J", "A"));
    int errors = 0;
    int stops = 0;
    QObject::connect(&logger, &DataLogger::logFileError, [&errors] { ++errors; });
    QObject::connect(&logger, &DataLogger::logFileStopped, [&stops] { ++stops; });
    if (byRule) {
        LoggingRule rule;
        rule.active = true;
        rule.watch(column("J", "A"));
        rule.upper.value = 1e9;
        logger.setRule(rule);
    } else {
        logger.startLog();
    }
    for (int i = 0; i < 400; ++i)
        logger.handleData(job("J", t0() + 1000 + i, {result("A", "12345.5")}));
    std::printf("%d %d %d\n", errors, stops, logger.fileStatus());
    return 0;
}

void TestDataLogger::fullDiskStopsTheLog_data()
{
    QTest::addColumn<QString>("start");
    QTest::newRow("started by hand") << "hand";
    // A rule that holds must not start a new file for every later job.
    QTest::newRow("started by a rule") << "rule";
}

void TestDataLogger::fullDiskStopsTheLog()
{
    QFETCH(QString, start);
    WorkDir wd;
    QProcess child;
    child.setWorkingDirectory(wd.path());
    child.start(QCoreApplication::applicationFilePath(), {"--child-fills-the-disk", start});
    QVERIFY(child.waitForFinished(30000));
    QCOMPARE(child.exitCode(), 0);
    // One error, then the log stops: it neither pretends to be saving nor
    // repeats the error for every later job.
    QCOMPARE(child.readAllStandardOutput().trimmed(), QByteArray("1 1 0"));
    const QStringList logs = QDir(wd.path()).entryList({"*.csv"});
    QCOMPARE(logs.size(), 1);
    const QByteArray written = wd.read(logs.first());
    QVERIFY(written.startsWith("time;A\r\n1000;12345.5\r\n"));
    // The file ends with the last whole line: no part of the refused one.
    QVERIFY(written.endsWith("12345.5\r\n"));
    const QList<QByteArray> lines = written.split('\n');
    for (int i = 1; i + 1 < lines.size(); ++i)
        QVERIFY2(lines.at(i).endsWith(";12345.5\r") && lines.at(i).count(';') == 1, lines.at(i));
}

int main(int argc, char **argv)
{
    if (argc == 3 && std::strcmp(argv[1], "--child-fills-the-disk") == 0) {
        QCoreApplication app(argc, argv);
        return childFillsTheDisk(std::strcmp(argv[2], "rule") == 0);
    }
    if (argc == 3 && std::strcmp(argv[1], "--child-log-and-abort") == 0) {
        QCoreApplication app(argc, argv);
        return childLogsAndAborts(std::atoi(argv[2]));
    }
    QCoreApplication app(argc, argv);
    TestDataLogger test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_datalogger.moc"
