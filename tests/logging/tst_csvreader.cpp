// CSVReader and CSVJobParser: logs the project's DataLogger writes read back
// (values, names, times), the reader's edge cases and hostile files.
#include "csvjobparser.h"
#include "csvlogloader.h"
#include "csvlogwriter.h"
#include "csvreader.h"
#include "exponenttext.h"
#include "fileappender.h"
#include "loggerfixture.h"
#include "playbackfixture.h"
#include "workdir.h"

#include <QDateTime>
#include <QFile>
#include <QThread>
#include <QtTest>
#include <atomic>
#include <chrono>
#include <thread>
#include <unistd.h>

using namespace loggerfixture;

namespace {
// A log opened as playback opens it.
struct OpenLog
{
    CSVReader reader;
    CSVJobParser parser;
    bool ok = false;
    explicit OpenLog(const QString &file)
    {
        ok = reader.load(file, parser);
        if (ok)
            reader.indexTimes(parser);
    }
    int rows() const { return reader.rowCount() - 1; }
    QList<CJob> row(int i) { return parser.parse(reader.getRow(i), reader.dayOffset(i)); }
};

// "ECU/JOB:time:name=value,name=value|..." for every job of a row.
QString describe(const QList<CJob> &jobs)
{
    QStringList parts;
    for (const CJob &j : jobs) {
        QStringList results;
        for (const CJobResult &r : j.results)
            results << QString::fromLatin1(r.name.c_str()) + '=' + QString::number(r.realValue, 'g', 10);
        parts << QString::fromLatin1((j.ecuName + "/" + j.getDisplayName().toStdString()).c_str()) + ':'
                + QString::number(j.timeStamp) + ':' + results.join(',');
    }
    return parts.join('|');
}

// A log saved by hand (or by a script) a while ago: finished.
// Every cell of a log as "name@time=value", in order: as the Log Viewer
// reads the whole log, and as playback reads it row by row.
struct CellList : CSVLogLoader::Sink
{
    QList<JobInfo> columns;
    QStringList cells;
    void begin(const QList<JobInfo> &list, qint64, qint64) override { columns = list; }
    void cell(int slot, qint64 time, double value) override
    {
        cells << QString("%1@%2=%3").arg(columns[slot].resultName).arg(time).arg(value, 0, 'g', 17);
    }
};

QString wholeRead(const QString &file, QStringList *messages = nullptr)
{
    CellList sink;
    CSVLogLoader loader;
    if (!loader.load(file, sink))
        return "not loaded: " + loader.errorString();
    if (messages)
        *messages = loader.messages();
    return sink.cells.join(' ');
}

QString rowRead(OpenLog &log)
{
    QStringList cells;
    for (int i = 0; i < log.rows(); ++i) {
        for (const CJob &job : log.row(i)) {
            for (const CJobResult &r : job.results)
                cells << QString("%1@%2=%3").arg(r.name.c_str()).arg(job.timeStamp).arg(r.realValue, 0, 'g', 17);
        }
    }
    return cells.join(' ');
}

QString writeFile(const WorkDir &wd, const QString &name, const QByteArray &bytes)
{
    wd.write(name, bytes);
    setWrittenAt(wd.filePath(name), t0());
    return wd.filePath(name);
}

QString sideFile(const QString &separator, const QList<QStringList> &columns)
{
    QString xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<CSVFile><info><starttime>0</starttime>"
                  "<timeformat>0</timeformat><CSVSeparator><![CDATA["
        + separator + "]]></CSVSeparator><columns>";
    for (const QStringList &c : columns)
        xml += "<column><number>" + c[0] + "</number><ecu>" + c[1] + "</ecu><jobname>" + c[2]
            + "</jobname><virtualname></virtualname><resultname>" + c[3] + "</resultname></column>";
    return xml + "</columns></info></CSVFile>\n";
}
} // namespace

class TestCsvReader : public QObject
{
    Q_OBJECT
private slots:
    void loggerRoundTrip_data();
    void loggerRoundTrip();
    void exactValuesReadBack_data();
    void exactValuesReadBack();
    void resavedWithAnotherSeparator_data();
    void resavedWithAnotherSeparator();
    void markerColumnRows_data();
    void markerColumnRows();
    void indexAndEndEntry();
    void headerNamesMadeUnique();
    void uniqueNamesOfAHostileHeader();
    void jobsMergedByEcuAndName();
    void times_data();
    void times();
    void cells_data();
    void cells();
    void separatorFoundWithoutSideFile_data();
    void separatorFoundWithoutSideFile();
    void sideFileFaults_data();
    void sideFileFaults();
    void sideFileColumnsOutsideTheRow();
    void translatedNamesKeepTheSideFileName();
    void midnightUnwrapsAndStartTime();
    void hostileFiles_data();
    void hostileFiles();
    void truncatedLastLine();
    void lastLineWithoutLineEnd_data();
    void lastLineWithoutLineEnd();
    void longNumberCells();
    void controlBytesInTheFirstRow_data();
    void controlBytesInTheFirstRow();
    void sideFileNoLongerMatchesTheHeader_data();
    void sideFileNoLongerMatchesTheHeader();
    void blankLinesAreNoRows();
    void nulBytesInsideRows();
    void fileStillBeingWritten();
    void logGrowingTenLinesASecond();
    void offsetsBeyondFourGiB();
};

void TestCsvReader::loggerRoundTrip_data()
{
    QTest::addColumn<QChar>("separator");
    QTest::addColumn<QChar>("decimal");
    QTest::addColumn<int>("timeFormat");
    QTest::addColumn<bool>("fill");
    QTest::addColumn<bool>("withInfo");

    QTest::newRow("; . ms fill") << QChar(';') << QChar('.') << 0 << true << true;
    QTest::newRow("; , ms nofill") << QChar(';') << QChar(',') << 0 << false << true;
    QTest::newRow(", . seconds fill") << QChar(',') << QChar('.') << 1 << true << true;
    QTest::newRow("tab , seconds nofill") << QChar('\t') << QChar(',') << 1 << false << true;
    QTest::newRow("; , clock fill") << QChar(';') << QChar(',') << 2 << true << true;
    QTest::newRow(", . clock nofill") << QChar(',') << QChar('.') << 2 << false << true;
    QTest::newRow("tab . system fill") << QChar('\t') << QChar('.') << 3 << true << true;
    QTest::newRow("; , system nofill") << QChar(';') << QChar(',') << 3 << false << true;
    QTest::newRow("no info ; , ms") << QChar(';') << QChar(',') << 0 << true << false;
    QTest::newRow("no info , . seconds") << QChar(',') << QChar('.') << 1 << false << false;
    QTest::newRow("no info tab , clock") << QChar('\t') << QChar(',') << 2 << true << false;
    QTest::newRow("no info ; . system") << QChar(';') << QChar('.') << 3 << false << false;
}

void TestCsvReader::loggerRoundTrip()
{
    QFETCH(QChar, separator);
    QFETCH(QChar, decimal);
    QFETCH(int, timeFormat);
    QFETCH(bool, fill);
    QFETCH(bool, withInfo);
    WorkDir wd;
    CsvLogOptions o;
    o.separator = separator;
    o.decimal = decimal;
    o.timeFormat = timeFormat;
    o.fill = fill;
    CsvLogWriter w(o, t0());
    w.addColumn("ECU1", "J1", "A");
    w.addColumn("ECU1", "J1", "B");
    w.addColumn("ECU2", "J2", "Z");
    w.start();
    w.write("ECU1", "J1", t0() + 1500, {{"A", "3.5"}, {"B", "-12.25"}});
    w.write("ECU2", "J2", t0() + 1700, {{"Z", "1234567"}});
    w.write("ECU1", "J1", t0() + 2500, {{"A", "abc"}, {"B", "0.125"}});
    const QString file = w.stop();
    if (!withInfo)
        QVERIFY(QFile::remove(file + ".info"));

    OpenLog log(file);
    QVERIFY(log.ok);
    QCOMPARE(log.rows(), 3);
    QCOMPARE(log.parser.separator(), QString(separator));
    QCOMPARE(log.parser.sideFileLoaded(), withInfo);

    auto expected = [&](qint64 offset) -> qint64 {
        switch (timeFormat) {
        case 0:
            return offset;
        case 1:
            return offset;
        case 2:
            return QDateTime::fromMSecsSinceEpoch(t0() + offset).time().msecsSinceStartOfDay();
        default:
            return t0() + offset;
        }
    };
    const QString j1 = withInfo ? "ECU1/J1" : "DUMMYECU/DUMMYJOB";
    const QString j2 = withInfo ? "ECU2/J2" : "DUMMYECU/DUMMYJOB";
    const QString t1 = QString::number(expected(1500));
    const QString t2 = QString::number(expected(1700));
    const QString t3 = QString::number(expected(2500));
    // 1234567 reads back as itself; a text is 0; an empty cell nothing.
    QStringList want;
    if (fill && withInfo) {
        want << j1 + ":" + t1 + ":A=3.5,B=-12.25";
        want << j1 + ":" + t2 + ":A=3.5,B=-12.25|" + j2 + ":" + t2 + ":Z=1234567";
        want << j1 + ":" + t3 + ":A=0,B=0.125|" + j2 + ":" + t3 + ":Z=1234567";
    } else if (fill) {
        want << j1 + ":" + t1 + ":A=3.5,B=-12.25";
        want << j1 + ":" + t2 + ":A=3.5,B=-12.25,Z=1234567";
        want << j1 + ":" + t3 + ":A=0,B=0.125,Z=1234567";
    } else {
        want << j1 + ":" + t1 + ":A=3.5,B=-12.25";
        want << j2 + ":" + t2 + ":Z=1234567";
        want << j1 + ":" + t3 + ":A=0,B=0.125";
    }
    for (int i = 0; i < 3; ++i)
        QCOMPARE(describe(log.row(i)), want[i]);
    // Every result is a real with its "%E" text.
    const CJobResult r = log.row(0).first().results.first();
    QCOMPARE(r.format, 8);
    QCOMPARE(QByteArray(r.textValue), QByteArray("3.500000E+00"));
    QCOMPARE(log.row(3), QList<CJob>());
}

void TestCsvReader::exactValuesReadBack_data()
{
    QTest::addColumn<QChar>("separator");
    QTest::addColumn<QChar>("decimal");
    QTest::addColumn<QByteArray>("line");
    QTest::newRow("; ,") << QChar(';') << QChar(',')
                         << QByteArray("100;12345,678;1234567;4294967295;0,30000000000000004;-0,000125;1,5e-07;12,5");
    QTest::newRow("; .") << QChar(';') << QChar('.')
                         << QByteArray("100;12345.678;1234567;4294967295;0.30000000000000004;-0.000125;1.5e-07;12.5");
    QTest::newRow(", .") << QChar(',') << QChar('.')
                         << QByteArray("100,12345.678,1234567,4294967295,0.30000000000000004,-0.000125,1.5e-07,12.5");
    QTest::newRow("tab ,") << QChar('\t') << QChar(',')
                           << QByteArray("100\t12345,678\t1234567\t4294967295\t0,30000000000000004\t-0,000125\t1,5e-07\t12,5");
}

// Values as the sources give them (a real's typed value with its "%E" text,
// a 32-bit counter, a text that is a number), through the logger into a
// file and back through both readers: each reads back as the number the
// job gave, written as a plain number with the fewest digits that do.
void TestCsvReader::exactValuesReadBack()
{
    QFETCH(QChar, separator);
    QFETCH(QChar, decimal);
    QFETCH(QByteArray, line);
    WorkDir wd;
    struct Value
    {
        const char *name;
        int format;
        double value;
        const char *text; // nullptr: the "%E" text of the value
    };
    const Value values[] = {{"Real", 8, 12345.678, nullptr},   {"Whole", 8, 1234567, nullptr},
                            {"Counter", 5, 4294967295.0, "4294967295"}, {"Sum", 8, 0.1 + 0.2, nullptr},
                            {"Small", 8, -0.000125, nullptr},  {"Tiny", 8, 1.5e-7, nullptr},
                            {"Text", 6, 0.0, "12.50"}};
    CsvLogOptions o;
    o.separator = separator;
    o.decimal = decimal;
    CsvLogWriter w(o, t0());
    CJob job("ECU", "J");
    job.timeStamp = t0() + 100;
    QStringList cells;
    for (const Value &v : values) {
        w.addColumn("ECU", "J", v.name);
        CJobResult r;
        r.name = v.name;
        r.format = v.format;
        r.realValue = v.value;
        r.setTextValue((v.text ? QByteArray(v.text) : ExponentText::of(v.value)).constData());
        job.addResult(r);
        const double expected = v.format == 6 ? 12.5 : v.value;
        cells << QString("%1@100=%2").arg(v.name).arg(expected, 0, 'g', 17);
    }
    w.start();
    w.write(job);
    const QString file = w.stop();
    const QList<QByteArray> lines = wd.read(QFileInfo(file).fileName()).split('\n');
    QCOMPARE(lines.size(), 3);
    QCOMPARE(lines.at(1), line + "\r");
    OpenLog log(file);
    QVERIFY(log.ok);
    QCOMPARE(rowRead(log), cells.join(' '));
    QCOMPARE(wholeRead(file), cells.join(' '));
}

void TestCsvReader::resavedWithAnotherSeparator_data()
{
    QTest::addColumn<bool>("semicolonAsComma");
    QTest::addColumn<QByteArray>("renamed"); // a column renamed in the spreadsheet too
    QTest::addColumn<QByteArray>("logged");
    QTest::addColumn<QStringList>("rows");
    QTest::addColumn<QStringList>("warnings");
    const QByteArray semicolonLog = "time;Engine speed;Coolant temperature\r\n100;3655,5;87\r\n200;3700,25;88\r\n";
    const QByteArray commaLog = "time,Engine speed,Coolant temperature\r\n100,3655.5,87\r\n200,3700.25,88\r\n";
    const QStringList rows{"MSV70/MOTOR:100:Engine speed=3655.5,Coolant temperature=87",
                           "MSV70/MOTOR:200:Engine speed=3700.25,Coolant temperature=88"};
    const QString readWithComma = "side file \"resaved.csv.info\" separator \";\" does not split the header: read with \",\"";
    const QString readWithSemicolon =
        "side file \"resaved.csv.info\" separator \",\" does not split the header: read with \";\"";
    QTest::newRow("; log saved with ,") << true << QByteArray() << semicolonLog << rows << QStringList{readWithComma};
    QTest::newRow(", log saved with ; and decimal comma")
        << false << QByteArray() << commaLog << rows << QStringList{readWithSemicolon};
    // The side file still names the columns the header names.
    QTest::newRow("; log saved with , and a column renamed")
        << true << QByteArray("Coolant") << semicolonLog
        << QStringList{"MSV70/MOTOR:100:Engine speed=3655.5|DUMMYECU/DUMMYJOB:100:Coolant=87",
                       "MSV70/MOTOR:200:Engine speed=3700.25|DUMMYECU/DUMMYJOB:200:Coolant=88"}
        << QStringList{readWithComma, "side file \"resaved.csv.info\" does not match the header",
                       "side file columns not in the header, left out: 2 (Coolant temperature)",
                       "header columns not in the side file, read under the header's names: 2 (Coolant)"};
}

// A spreadsheet saved the log again with a separator of its own and kept
// the side file: the log is read by its header, under the side file's
// names where the header still has them, and the reader says so.
void TestCsvReader::resavedWithAnotherSeparator()
{
    QFETCH(bool, semicolonAsComma);
    QFETCH(QByteArray, renamed);
    QFETCH(QByteArray, logged);
    QFETCH(QStringList, rows);
    QFETCH(QStringList, warnings);
    WorkDir wd;
    QByteArray written;
    const QString file = wd.filePath(playbackfixture::writeResavedLog(semicolonAsComma, &written));
    QCOMPARE(written, logged);
    if (!renamed.isEmpty()) {
        const QByteArray bytes = wd.read("resaved.csv").replace("Coolant temperature", renamed);
        writeFile(wd, "resaved.csv", bytes);
    }
    OpenLog log(file);
    QVERIFY(log.ok);
    QVERIFY(log.parser.sideFileLoaded());
    QCOMPARE(log.rows(), 2);
    QCOMPARE(log.parser.separator(), QString(semicolonAsComma ? "," : ";"));
    QCOMPARE(QStringList({describe(log.row(0)), describe(log.row(1))}), rows);
    QCOMPARE(log.parser.warnings(), warnings);
    // The Log Viewer's whole read: the same values and messages.
    QStringList messages;
    QCOMPARE(wholeRead(file, &messages), rowRead(log));
    QCOMPARE(messages, warnings);
}

void TestCsvReader::markerColumnRows_data()
{
    QTest::addColumn<bool>("withInfo");
    QTest::newRow("side file") << true;
    QTest::newRow("header") << false;
}

// The side file names one column per result while every row also carries
// the marker field: every row of such a log used to be rejected.
void TestCsvReader::markerColumnRows()
{
    QFETCH(bool, withInfo);
    WorkDir wd;
    CsvLogOptions o;
    o.marker = true;
    CsvLogWriter w(o, t0());
    w.addColumn("ECU", "J", "A");
    w.addColumn("ECU", "J", "B");
    w.start();
    w.write("ECU", "J", t0() + 100, {{"A", "1"}, {"B", "2"}});
    w.mark();
    w.write("ECU", "J", t0() + 200, {{"A", "3"}, {"B", "4"}});
    const QString file = w.stop();
    QVERIFY(wd.read(QFileInfo(file).fileName()).contains("time;A;B;MARKER\r\n100;1;2;Marker.0\r\n200;3;4;Marker.1"));
    if (!withInfo)
        QVERIFY(QFile::remove(file + ".info"));
    OpenLog log(file);
    QVERIFY(log.ok);
    QCOMPARE(log.parser.columnCount(), 2); // the marker is no result
    const QString job = withInfo ? "ECU/J" : "DUMMYECU/DUMMYJOB";
    QCOMPARE(describe(log.row(0)), job + ":100:A=1,B=2");
    QCOMPARE(describe(log.row(1)), job + ":200:A=3,B=4");
}

void TestCsvReader::indexAndEndEntry()
{
    WorkDir wd;
    const QString file = writeFile(wd, "two.csv", "time;A\r\n10;1\r\n20;2\r\n");
    OpenLog log(file);
    QVERIFY(log.ok);
    QCOMPARE(log.reader.rowCount(), 3);
    QCOMPARE(log.reader.rowOffset(2), qint64(QFileInfo(file).size()));
    QCOMPARE(log.reader.getRow(1), QString("20;2"));
    QCOMPARE(log.reader.getRow(2), QString());
    QCOMPARE(log.row(2), QList<CJob>());
    // Outside the index: empty, never the header.
    QCOMPARE(log.reader.getRow(-1), QString());
    QCOMPARE(log.reader.getRow(99), QString());
    QCOMPARE(log.reader.readHeader(), QString("time;A"));

    // A 0-byte file and a header alone: no rows (never -1).
    for (const QByteArray &bytes : {QByteArray(), QByteArray("time;A\r\n")}) {
        const QString empty = writeFile(wd, "empty.csv", bytes);
        OpenLog e(empty);
        QVERIFY(e.ok);
        QCOMPARE(e.reader.rowCount(), 1);
        QCOMPARE(e.rows(), 0);
        QVERIFY(e.reader.warnings().isEmpty());
    }
}

void TestCsvReader::headerNamesMadeUnique()
{
    WorkDir wd;
    // "\r" of the line end is not part of the last name.
    OpenLog log(writeFile(wd, "dup.csv", "time,a,a,b\r\n5,1,2,3\r\n"));
    QVERIFY(log.ok);
    QCOMPARE(log.parser.separator(), QString(","));
    QCOMPARE(log.parser.columns().value(1).resultName, QString("a_"));
    QCOMPARE(log.parser.columns().value(2).resultName, QString("a"));
    QCOMPARE(log.parser.columns().value(3).resultName, QString("b"));
    QCOMPARE(describe(log.row(0)), QString("DUMMYECU/DUMMYJOB:5:a_=1,a=2,b=3"));
    QCOMPARE(CSVJobParser::uniqueNames({"a", "a", "a"}), QStringList({"a__", "a_", "a"}));
    QCOMPARE(CSVJobParser::uniqueNames({"x", "a", "a_", "a"}), QStringList({"x", "a__", "a_", "a"}));
}

void TestCsvReader::uniqueNamesOfAHostileHeader()
{
    // Thousands of equal names: unique, and at once.
    QStringList names;
    for (int i = 0; i < 5000; ++i)
        names << "v";
    const QStringList unique = CSVJobParser::uniqueNames(names);
    QCOMPARE(QSet<QString>(unique.cbegin(), unique.cend()).size(), 5000);
}

void TestCsvReader::jobsMergedByEcuAndName()
{
    WorkDir wd;
    const QString file = writeFile(wd, "m.csv", "time;A;Z;B;C\r\n7;1;2;3;4\r\n");
    wd.write("m.csv.info", sideFile(";", {{"1", "E1", "J", "A"}, {"2", "E1", "K", "Z"}, {"3", "E1", "J", "B"},
                                          {"4", "E2", "J", "C"}})
                               .toUtf8());
    OpenLog log(file);
    QVERIFY(log.ok);
    // Jobs in the order of their first column, results in column order.
    QCOMPARE(describe(log.row(0)), QString("E1/J:7:A=1,B=3|E1/K:7:Z=2|E2/J:7:C=4"));
}

void TestCsvReader::times_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<qint64>("ms");
    QTest::newRow("comma fraction") << "00:00:01,500" << qint64(1500);
    QTest::newRow("dot fraction") << "13:45:30.250" << qint64(49530250);
    QTest::newRow("no fraction") << "12:34:56" << qint64(45296000);
    QTest::newRow("ms") << "1500" << qint64(1500);
    QTest::newRow("ms fraction dropped") << "1500.9" << qint64(1500);
    QTest::newRow("epoch ms") << "1796910330000" << qint64(1796910330000);
    QTest::newRow("not a number") << "abc" << qint64(0);
    QTest::newRow("nan") << "nan" << qint64(0);
    QTest::newRow("negative") << "-5" << qint64(0);
    QTest::newRow("bad hour") << "25:00:00" << qint64(0);
    QTest::newRow("huge") << "1e300" << qint64(0);
}

void TestCsvReader::times()
{
    QFETCH(QString, text);
    QFETCH(qint64, ms);
    CSVJobParser parser;
    QCOMPARE(parser.getTimeFromCol(text), quint64(ms));
}

void TestCsvReader::cells_data()
{
    QTest::addColumn<QByteArray>("log");
    QTest::addColumn<QString>("row0");
    // Decimal comma where "," is not the separator; "nan" and "inf" are no
    // numbers; an empty cell gives no result, and a job left without any
    // is not returned at all.
    QTest::newRow("decimal comma") << QByteArray("time;a;b\n1;12,5;-0,25\n") << "DUMMYECU/DUMMYJOB:1:a=12.5,b=-0.25";
    QTest::newRow("nan inf text") << QByteArray("time;a;b;c\n1;nan;inf;x1\n") << "DUMMYECU/DUMMYJOB:1:a=0,b=0,c=0";
    QTest::newRow("empty cell") << QByteArray("time;a;b\n1;;2\n") << "DUMMYECU/DUMMYJOB:1:b=2";
    QTest::newRow("all empty") << QByteArray("time;a;b\n1;;\n") << "";
    QTest::newRow("exponent, blanks") << QByteArray("time;a;b\n1; 1.23457e+06 ;+4\n")
                                      << "DUMMYECU/DUMMYJOB:1:a=1234570,b=4";
    // A spreadsheet's quoted cell is one cell; "" is one quote.
    QTest::newRow("quoted") << QByteArray("time,a,b\n1,\"12,5\",\"x\"\"y\"\n") << "DUMMYECU/DUMMYJOB:1:a=12.5,b=0";
    QTest::newRow("unquoted separator") << QByteArray("time,a,b\n1,12,5,3\n") << "";
    QTest::newRow("BOM") << QByteArray("\xEF\xBB\xBFtime;a\r\n1;2\r\n") << "DUMMYECU/DUMMYJOB:1:a=2";
}

void TestCsvReader::cells()
{
    QFETCH(QByteArray, log);
    QFETCH(QString, row0);
    WorkDir wd;
    OpenLog l(writeFile(wd, "c.csv", log));
    QVERIFY(l.ok);
    QCOMPARE(describe(l.row(0)), row0);
}

void TestCsvReader::separatorFoundWithoutSideFile_data()
{
    QTest::addColumn<QByteArray>("header");
    QTest::addColumn<QString>("separator");
    QTest::newRow(";") << QByteArray("time;a, b;c") << ";";
    QTest::newRow(",") << QByteArray("time,a;b") << ",";
    QTest::newRow("tab") << QByteArray("time\ta\tb") << "\t";
    QTest::newRow("other first name") << QByteArray("t\ta\tb;c") << "\t";
    QTest::newRow("none") << QByteArray("time") << ";";
}

void TestCsvReader::separatorFoundWithoutSideFile()
{
    QFETCH(QByteArray, header);
    QFETCH(QString, separator);
    QCOMPARE(QString(CSVJobParser::detectSeparator(QString::fromLatin1(header))), separator);
}

void TestCsvReader::sideFileFaults_data()
{
    QTest::addColumn<QByteArray>("info");
    QTest::addColumn<bool>("fromSideFile");
    QTest::addColumn<QString>("separator");
    QTest::newRow("empty") << QByteArray() << false << ",";
    QTest::newRow("not XML") << QByteArray("<CSVFile><info>") << false << ",";
    QTest::newRow("no columns") << QByteArray("<CSVFile><info/></CSVFile>") << false << ",";
    // Two separators count as none: the header tells.
    QTest::newRow("two separators")
        << QByteArray("<CSVFile><CSVSeparator>;</CSVSeparator><CSVSeparator>;</CSVSeparator><columns>"
                      "<column><number>1</number><ecu>E</ecu><jobname>J</jobname><resultname>a</resultname></column>"
                      "</columns></CSVFile>")
        << true << ",";
}

void TestCsvReader::sideFileFaults()
{
    QFETCH(QByteArray, info);
    QFETCH(bool, fromSideFile);
    QFETCH(QString, separator);
    WorkDir wd;
    const QString file = writeFile(wd, "s.csv", "time,a\n4,2\n");
    wd.write("s.csv.info", info);
    OpenLog log(file);
    QVERIFY(log.ok);
    QCOMPARE(log.parser.sideFileLoaded() && log.parser.columns().value(1).job.ecuName == "E", fromSideFile);
    QCOMPARE(log.parser.separator(), separator);
    QCOMPARE(log.parser.warnings().isEmpty(), fromSideFile);
    QCOMPARE(describe(log.row(0)), fromSideFile ? QString("E/J:4:a=2") : QString("DUMMYECU/DUMMYJOB:4:a=2"));
}

void TestCsvReader::sideFileColumnsOutsideTheRow()
{
    WorkDir wd;
    const QString file = writeFile(wd, "o.csv", "time;a;b\n4;2;3\n");
    wd.write("o.csv.info",
             sideFile(";", {{"1", "E", "J", "a"}, {"0", "E", "J", "zero"}, {"7", "E", "J", "far"}, {"x", "E", "J", "bad"}})
                 .toUtf8());
    OpenLog log(file);
    QVERIFY(log.ok);
    QVERIFY(log.parser.sideFileLoaded());
    // 0 (also "x") and 7 name nothing the header has; the header's b,
    // which the side file does not name, is read under its own name.
    QCOMPARE(log.parser.warnings(),
             QStringList({"side file \"o.csv.info\" does not match the header",
                          "side file columns not in the header, left out: 0 (bad), 7 (far)",
                          "header columns not in the side file, read under the header's names: 2 (b)"}));
    QCOMPARE(describe(log.row(0)), QString("E/J:4:a=2|DUMMYECU/DUMMYJOB:4:b=3"));
}

void TestCsvReader::translatedNamesKeepTheSideFileName()
{
    WorkDir wd;
    const QString file = writeFile(wd, "t.csv", "time;STAT_MOTOR_WERT\n1;2\n");
    wd.write("t.csv.info", sideFile(";", {{"1", "E", "J", "STAT_MOTOR_WERT"}}).toUtf8());
    OpenLog log(file);
    const JobInfo info = log.parser.columns().value(1);
    QCOMPARE(info.sideFileName, QString("STAT_MOTOR_WERT"));
    QCOMPARE(info.resultName, QString("STAT_MOTOR_WERT")); // no catalogue here
    QCOMPARE(info.job.jobName, std::string("J"));
}

void TestCsvReader::midnightUnwrapsAndStartTime()
{
    WorkDir wd;
    OpenLog log(writeFile(wd, "n.csv",
                          "time;a\n23:59:59,000;1\n00:00:00,500;2\n12:00:01,500;3\n00:00:01,000;4\nbad;row;x\n"
                          "00:00:02,000;5\n"));
    QVERIFY(log.ok);
    const qint64 day = 24LL * 3600 * 1000;
    QCOMPARE(log.reader.startTime(), qint64(0)); // a time of day: shown as logged
    QCOMPARE(log.row(0).first().timeStamp, day - 1000);
    QCOMPARE(log.row(1).first().timeStamp, day + 500);
    QCOMPARE(log.row(2).first().timeStamp, day + 12 * 3600 * 1000 + 1500);
    QCOMPARE(log.row(3).first().timeStamp, 2 * day + 1000);
    QCOMPARE(log.row(5).first().timeStamp, 2 * day + 2000);

    // Milliseconds since the epoch count from the first row; small ones
    // (since the start) from 0.
    OpenLog epoch(writeFile(wd, "e.csv", "time;a\n1796910330000;1\n1796910330050;2\n"));
    QCOMPARE(epoch.reader.startTime(), qint64(1796910330000));
    QCOMPARE(epoch.reader.dayOffset(1), qint64(0));
    OpenLog since(writeFile(wd, "s.csv", "time;a\n250;1\n300;2\n"));
    QCOMPARE(since.reader.startTime(), qint64(0));
}

void TestCsvReader::hostileFiles_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("error");
    QByteArray utf16;
    for (char c : QByteArray("time;a\r\n1;2\r\n")) {
        utf16 += c;
        utf16 += '\0';
    }
    QTest::newRow("UTF-16") << utf16 << "not a text log";
    QTest::newRow("binary") << QByteArray("\x7f" "ELF\x02\x01\x01\0\0\0\n", 12) << "not a text log";
    QTest::newRow("first line over 64 KiB") << QByteArray(70000, 'x') + "\n1;2\n" << "not a text log";
}

void TestCsvReader::hostileFiles()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, error);
    WorkDir wd;
    CSVReader reader;
    QVERIFY(!reader.load(writeFile(wd, "h.csv", bytes)));
    QVERIFY2(reader.errorString().contains(error), qPrintable(reader.errorString()));
    QCOMPARE(reader.getRow(0), QString());

    QVERIFY(!reader.load(wd.filePath("missing.csv")));
    QVERIFY(reader.errorString().contains("cannot open"));
    QVERIFY(QDir(wd.path()).mkdir("x.csv"));
    QVERIFY(!reader.load(wd.filePath("x.csv")));
    QVERIFY(reader.errorString().contains("is a directory"));
}

void TestCsvReader::truncatedLastLine()
{
    WorkDir wd;
    CsvLogWriter w(CsvLogOptions(), t0());
    w.addColumn("ECU", "J", "A");
    w.start();
    for (int i = 0; i < 5; ++i)
        w.write("ECU", "J", t0() + 100 * i, {{"A", QString::number(1000 + i)}});
    const QString file = w.stop();
    QFile f(file);
    // "400;1004\r\n" loses ";1004\r\n": fewer fields than a row has.
    QVERIFY(f.resize(f.size() - 7));
    QVERIFY(setWrittenAt(file, t0()));
    OpenLog log(file);
    QVERIFY(log.ok);
    QCOMPARE(log.rows(), 4);
    QCOMPARE(log.reader.warnings(), QStringList("last line incomplete"));
    QCOMPARE(describe(log.row(3)), QString("ECU/J:300:A=1003"));
    QCOMPARE(log.row(4), QList<CJob>());
}

void TestCsvReader::lastLineWithoutLineEnd_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("rows");
    QTest::addColumn<QString>("cells");
    QTest::addColumn<QStringList>("warnings");
    // As an editor or a script saves a log: the last line has no line end.
    QTest::newRow("every field") << QByteArray("time;A;B\r\n100;1;2\r\n200;3;4") << 2
                                 << "A@100=1 B@100=2 A@200=3 B@200=4" << QStringList();
    // The logger's line with fill off: the last field is empty, not missing.
    QTest::newRow("last field empty") << QByteArray("time;A;B\r\n100;1;2\r\n200;3;") << 2
                                      << "A@100=1 B@100=2 A@200=3" << QStringList();
    QTest::newRow("only CR") << QByteArray("time;A;B\r\n100;1;2\r\n200;3;4\r") << 2
                             << "A@100=1 B@100=2 A@200=3 B@200=4" << QStringList();
    QTest::newRow("fewer fields") << QByteArray("time;A;B\r\n100;1;2\r\n200;3") << 1 << "A@100=1 B@100=2"
                                  << QStringList("last line incomplete");
    QTest::newRow("blank") << QByteArray("time;A;B\r\n100;1;2\r\n\r") << 1 << "A@100=1 B@100=2" << QStringList();
    QTest::newRow("header alone") << QByteArray("time;A;B") << 0 << "" << QStringList();
}

void TestCsvReader::lastLineWithoutLineEnd()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, rows);
    QFETCH(QString, cells);
    QFETCH(QStringList, warnings);
    WorkDir wd;
    const QString file = writeFile(wd, "l.csv", bytes);
    OpenLog log(file);
    QVERIFY(log.ok);
    QCOMPARE(log.rows(), rows);
    QCOMPARE(log.reader.warnings(), warnings);
    QCOMPARE(rowRead(log), cells);
    QStringList messages;
    QCOMPARE(wholeRead(file, &messages), cells);
    QCOMPARE(messages, rows > 0 ? warnings : warnings + QStringList("empty log"));
    // The end entry still reads as an empty row.
    QCOMPARE(log.row(rows), QList<CJob>());
}

// A spreadsheet may write a number with hundreds of digits; 128 characters
// and more used to read as 0.
void TestCsvReader::longNumberCells()
{
    WorkDir wd;
    const QByteArray half = "0." + QByteArray(125, '0') + "5"; // 128 characters: 5e-126
    const QByteArray quarter = "0,25" + QByteArray(296, '0');  // 300, decimal comma
    const QByteArray big = "1" + QByteArray(299, '0');         // 300: 1e299
    const QString file = writeFile(wd, "n.csv", "time;a;b;c\r\n1;" + half + ";" + quarter + ";" + big + "\r\n");
    const QString cells = QString("a@1=%1 b@1=0.25 c@1=%2").arg(5e-126, 0, 'g', 17).arg(1e299, 0, 'g', 17);
    OpenLog log(file);
    QVERIFY(log.ok);
    QCOMPARE(rowRead(log), cells);
    QCOMPARE(wholeRead(file), cells);
}

void TestCsvReader::controlBytesInTheFirstRow_data()
{
    QTest::addColumn<QChar>("separator");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("cell");
    QTest::newRow("STX") << QChar(';') << QString("a\x02" "b") << "a b";
    QTest::newRow("ESC and BEL") << QChar(',') << QString("\x1b[0m\x07") << " [0m ";
    QTest::newRow("tab, separator ;") << QChar(';') << QString("a\tb") << "a\tb";
    QTest::newRow("tab separator") << QChar('\t') << QString("a\tb") << "a b";
    QTest::newRow("CR LF") << QChar(';') << QString("a\r\nb") << "a  b";
    // A text opening with a quote would run to the line's end as a quoted
    // cell, taking the later columns with it: it is written quoted.
    QTest::newRow("opening quote") << QChar(';') << QString("\"x;y") << "\"\"\"x y\"";
    QTest::newRow("quote inside") << QChar(';') << QString("x\"y") << "x\"y";
}

// A text result in the first logged row, written by the logger: the log
// loads in both reads, every row with its columns in place.
void TestCsvReader::controlBytesInTheFirstRow()
{
    QFETCH(QChar, separator);
    QFETCH(QString, text);
    QFETCH(QString, cell);
    WorkDir wd;
    CsvLogOptions o;
    o.separator = separator;
    o.fill = false;
    CsvLogWriter w(o, t0());
    w.addColumn("ECU", "J", "T");
    w.addColumn("ECU", "J", "N");
    w.start();
    for (int i = 0; i < 3; ++i)
        w.write("ECU", "J", t0() + 100 * i, {{"T", i == 0 ? text : QString("ok")}, {"N", QString::number(i + 1)}});
    const QString file = w.stop();
    const QByteArray bytes = wd.read(QFileInfo(file).fileName());
    const QByteArray sep(1, char(separator.toLatin1()));
    QVERIFY2(bytes.contains("\r\n0" + sep + cell.toLatin1() + sep + "1\r\n"), bytes.constData());
    OpenLog log(file);
    QVERIFY2(log.ok, qPrintable(log.reader.errorString()));
    QCOMPARE(log.rows(), 3);
    const QString cells = "T@0=0 N@0=1 T@100=0 N@100=2 T@200=0 N@200=3";
    QCOMPARE(rowRead(log), cells);
    QCOMPARE(wholeRead(file), cells);

    // An older log, written before texts were cleaned, loads as well.
    const QString old = writeFile(wd, "old.csv", "time;T;N\r\n0;a\x02" "b;1\r\n100;ok;2\r\n");
    OpenLog oldLog(old);
    QVERIFY2(oldLog.ok, qPrintable(oldLog.reader.errorString()));
    QCOMPARE(rowRead(oldLog), QString("T@0=0 N@0=1 T@100=0 N@100=2"));
    QCOMPARE(wholeRead(old), QString("T@0=0 N@0=1 T@100=0 N@100=2"));
}

void TestCsvReader::sideFileNoLongerMatchesTheHeader_data()
{
    QTest::addColumn<QByteArray>("edited"); // the log after the hand edit
    QTest::addColumn<QString>("row");
    QTest::addColumn<QStringList>("warnings");
    const QString side = "side file \"e.csv.info\" does not match the header";
    QTest::newRow("as logged") << QByteArray("time;Engine speed;Coolant temperature;MARKER\r\n100;3655;87;Marker.0\r\n")
                               << "MSV70/MOTOR:100:Engine speed=3655,Coolant temperature=87" << QStringList();
    // The first column removed: the speed would have read the marker, 0.
    QTest::newRow("removed") << QByteArray("time;Coolant temperature;MARKER\r\n100;87;Marker.0\r\n")
                             << "MSV70/MOTOR:100:Coolant temperature=87"
                             << QStringList({side, "1 side file columns read where the header names them",
                                             "side file columns not in the header, left out: 1 (Engine speed)"});
    // Swapped: coolant would have shown the engine speed.
    QTest::newRow("swapped") << QByteArray("time;Coolant temperature;Engine speed;MARKER\r\n100;87;3655;Marker.0\r\n")
                             << "MSV70/MOTOR:100:Coolant temperature=87,Engine speed=3655"
                             << QStringList({side, "2 side file columns read where the header names them"});
    // Renamed: the header's name holds, the side file's job does not.
    QTest::newRow("renamed") << QByteArray("time;Engine speed;Coolant;MARKER\r\n100;3655;87;Marker.0\r\n")
                             << "MSV70/MOTOR:100:Engine speed=3655|DUMMYECU/DUMMYJOB:100:Coolant=87"
                             << QStringList({side, "side file columns not in the header, left out: 2 (Coolant temperature)",
                                             "header columns not in the side file, read under the header's names: 2 (Coolant)"});
    // Added in a spreadsheet: read too.
    QTest::newRow("added") << QByteArray("time;Engine speed;Coolant temperature;Sum;MARKER\r\n100;3655;87;3742;Marker.0\r\n")
                           << "MSV70/MOTOR:100:Engine speed=3655,Coolant temperature=87|DUMMYECU/DUMMYJOB:100:Sum=3742"
                           << QStringList({side, "header columns not in the side file, read under the header's names: 3 (Sum)"});
}

// A log edited by hand with its side file kept: every value under the name
// the header gives its column.
void TestCsvReader::sideFileNoLongerMatchesTheHeader()
{
    QFETCH(QByteArray, edited);
    QFETCH(QString, row);
    QFETCH(QStringList, warnings);
    WorkDir wd;
    CsvLogOptions o;
    o.marker = true;
    o.prefix = "e";
    CsvLogWriter w(o, t0());
    w.addColumn("MSV70", "MOTOR", "STAT_MOTORDREHZAHL_WERT", "Engine speed");
    w.addColumn("MSV70", "MOTOR", "STAT_KUEHLMITTELTEMPERATUR_WERT", "Coolant temperature");
    w.start();
    w.write("MSV70", "MOTOR", t0() + 100,
            {{"STAT_MOTORDREHZAHL_WERT", QString("3655")}, {"STAT_KUEHLMITTELTEMPERATUR_WERT", QString("87")}});
    const QString logged = w.stop();
    QCOMPARE(wd.read(QFileInfo(logged).fileName()),
             QByteArray("time;Engine speed;Coolant temperature;MARKER\r\n100;3655;87;Marker.0\r\n"));
    QVERIFY(QFile::rename(logged + ".info", wd.filePath("e.csv.info")));
    const QString file = writeFile(wd, "e.csv", edited);
    OpenLog log(file);
    QVERIFY(log.ok);
    QVERIFY(log.parser.sideFileLoaded());
    QCOMPARE(describe(log.row(0)), row);
    QCOMPARE(log.parser.warnings(), warnings);
    QStringList messages;
    wholeRead(file, &messages);
    QCOMPARE(messages, warnings);
}

// Blank lines between rows (a log joined or edited by hand) are no rows, in
// both reads: playback's rows are the lines that hold values.
void TestCsvReader::blankLinesAreNoRows()
{
    WorkDir wd;
    const QString file = writeFile(wd, "b.csv", "time;a\r\n\r\n1;10\r\n\r\n\n2;20\r\n\r\n3;30\r\n\r\n");
    OpenLog log(file);
    QVERIFY(log.ok);
    QCOMPARE(log.rows(), 3);
    QCOMPARE(log.reader.getRow(0), QString("1;10"));
    QCOMPARE(log.reader.getRow(1), QString("2;20"));
    QCOMPARE(log.reader.getRow(2), QString("3;30"));
    const QString cells = "a@1=10 a@2=20 a@3=30";
    QCOMPARE(rowRead(log), cells);
    QStringList messages;
    QCOMPARE(wholeRead(file, &messages), cells);
    QCOMPARE(messages, QStringList());
}

// NUL bytes inside rows (what a crash leaves): such a row is no row in
// either read, and both give the same cells at the same times.
void TestCsvReader::nulBytesInsideRows()
{
    WorkDir wd;
    const QByteArray bytes = QByteArray::fromHex(
        "74696d6509535441545f415f574552540942095a65640d0a32333a35393a35382c3030300930092d37090d0a32333a35"
        "3900000000000000000000000000000000000000000000000000000000000000003a35382c333030090909312c323334"
        "3837652b30360d0a32333a35393a35382c3730300931322c35092d3700000000000a090d0a32333a35393a35392c3030"
        "30090909312c3233343537652b30360d0a32333a35393a35392c3430300d0000002d37090d0a32333a35393a35392c37"
        "3030090909312c3233343537652b30360d0a30303a30303a30302c3130300933372c3509616263090d0a30303a30303a"
        "30302c343030090909312c3233343537652b30360d0a30303a30303a30302c383030093530092d37090d0a30303a3030"
        "3a30312c313030090909312c3233343537652b30360d0a30303a30303a30312c3530300936322c35092d37090d0a3030"
        "3a30303a30312c383030090909312c3233343537652b30360d0a");
    QCOMPARE(bytes.size(), 362);
    const QString file = writeFile(wd, "nul.csv", bytes);
    OpenLog log(file);
    QVERIFY(log.ok);
    const QString cells = "STAT_A_WERT@86398000=0 B@86398000=-7 Zed@86399000=1234570 Zed@86399700=1234570 "
                          "STAT_A_WERT@86400100=37.5 B@86400100=0 Zed@86400400=1234570 STAT_A_WERT@86400800=50 "
                          "B@86400800=-7 Zed@86401100=1234570 STAT_A_WERT@86401500=62.5 B@86401500=-7 "
                          "Zed@86401800=1234570";
    QCOMPARE(rowRead(log), cells);
    QStringList messages;
    QCOMPARE(wholeRead(file, &messages), cells);
    QVERIFY2(messages.contains("3 rows skipped: NUL bytes"), qPrintable(messages.join('\n')));
}

// A writer thread appends whole lines (in two writes each) while the log is
// indexed: the rows are the whole lines up to where the file was.
void TestCsvReader::fileStillBeingWritten()
{
    WorkDir wd;
    QByteArray bytes = "time;a\r\n";
    for (int i = 0; i < 20000; ++i)
        bytes += QByteArray::number(i) + ";" + QByteArray::number(i * 3) + "\r\n";
    const QString file = writeFile(wd, "w.csv", bytes);
    FileAppender writer(file, 20000, [](QFile &f, int i) {
        f.write(QByteArray::number(i) + ";");
        f.write(QByteArray::number(i * 3) + "\r\n");
    });
    bool seen = false;
    for (int attempt = 0; attempt < 200 && !seen; ++attempt) {
        OpenLog log(file);
        QVERIFY(log.ok);
        seen = log.reader.warnings().contains("still being written");
        const int last = log.rows() - 1;
        QCOMPARE(describe(log.row(last)), QString("DUMMYECU/DUMMYJOB:%1:a=%2").arg(last).arg(last * 3));
    }
    QVERIFY(seen);
}

// A log growing as the logger writes it, a line every 100 ms: every read
// says so (it was written a moment ago), while the lines already there are
// rows.
void TestCsvReader::logGrowingTenLinesASecond()
{
    WorkDir wd;
    QVERIFY(wd.write("g.csv", "time;a\r\n0;0\r\n"));
    const QString file = wd.filePath("g.csv");
    std::atomic<qint64> lastWrite{QDateTime::currentMSecsSinceEpoch()};
    FileAppender writer(file, 1, [&lastWrite](QFile &f, int i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        f.write(QByteArray::number(i * 100) + ";" + QByteArray::number(i) + "\r\n");
        lastWrite = QDateTime::currentMSecsSinceEpoch();
    });
    int judged = 0;
    for (int read = 0; read < 20; ++read) {
        const qint64 before = lastWrite.load();
        OpenLog log(file);
        const qint64 after = QDateTime::currentMSecsSinceEpoch();
        QVERIFY(log.ok);
        QVERIFY(log.rows() >= 1);
        // Only a writer held up for seconds (a loaded machine) has not
        // written in the last moments: such a read proves nothing.
        if (after - before > 1500)
            continue;
        ++judged;
        QVERIFY2(log.reader.warnings().contains("still being written"),
                 qPrintable(QString("read %1: %2").arg(read).arg(log.reader.warnings().join(','))));
        QTest::qWait(50);
    }
    QVERIFY(judged > 0);
}

// Offsets past 4 GiB (a sparse file: the hole is one line of NUL bytes,
// skipped as a row of the wrong width).
void TestCsvReader::offsetsBeyondFourGiB()
{
#if defined(__SANITIZE_THREAD__)
    QSKIP("8 GiB of reads under ThreadSanitizer; the threads of this test are elsewhere");
#endif
    WorkDir wd;
    const QString file = writeFile(wd, "big.csv", "time;a\n1;10\n");
    {
        QFile f(file);
        QVERIFY(f.open(QIODevice::ReadWrite));
        const qint64 hole = (qint64(1) << 32) + 100;
        if (!f.resize(hole))
            QSKIP("no sparse file here");
        QVERIFY(f.seek(hole));
        f.write("\n2;20\n3;30\n");
    }
    OpenLog log(file);
    QVERIFY(log.ok);
    QCOMPARE(log.rows(), 4);
    QVERIFY(log.reader.rowOffset(2) > (qint64(1) << 32));
    QCOMPARE(describe(log.row(2)), QString("DUMMYECU/DUMMYJOB:2:a=20"));
    QCOMPARE(describe(log.row(3)), QString("DUMMYECU/DUMMYJOB:3:a=30"));
    QCOMPARE(log.row(1), QList<CJob>());
}

QTEST_GUILESS_MAIN(TestCsvReader)
#include "tst_csvreader.moc"
