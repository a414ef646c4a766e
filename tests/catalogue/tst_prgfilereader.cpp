#include "prgfilereader.h"
#include "prgwriter.h"
#include "workdir.h"

#include <QElapsedTimer>
#include <QtTest>
#include <functional>

namespace {

int warnings = 0;
QStringList warningTexts;

void countingHandler(QtMsgType type, const QMessageLogContext &, const QString &msg)
{
    if (type == QtWarningMsg || type == QtCriticalMsg) {
        ++warnings;
        warningTexts << msg;
    }
    if (type == QtFatalMsg)
        abort();
}

const QByteArray kDescription =
    "ECU:Engine control MSV70\n"
    "JOBNAME:STATUS_MOTORDREHZAHL\n"
    "JOBCOMMENT:Engine speed\n"
    "RESULT:STAT_MOTORDREHZAHL_WERT\n"
    "RESULTTYPE:real\n"
    "JOBNAME:STATUS_LMM\n"
    "RESULT:STAT_LMM_WERT\n";

// Two tables with data and one without rows.
PrgWriter sampleWriter()
{
    PrgWriter w;
    w.setDescription(kDescription);
    w.jobsFromDescription();
    w.addTable("MESSWERTETAB", {"NR", "RESULTNAME", "INFO"},
               {{"0x01", "STAT_MOTORDREHZAHL_WERT", "Engine speed"},
                {"A", "", "B"},
                {"0x03", "STAT_\xC4", "Umlaut \xFC"}});
    w.addTable("EMPTYTAB", {"COL1", "COL2"});
    w.addTable("BETRIEBSWTAB", {"NR", "NAME", "LNAME"}, {{"1", "N", "Long name"}});
    return w;
}

const QString kFile = QStringLiteral("MSV70.prg");

} // namespace

class TestPrgFileReader : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void roundTrip();
    void tableLookupIsExact();
    void missingFileGivesEmpty();
    void fileNameIgnoresCase();
    void ecuDirectoryChoice();
    void longestCellKeptWhole();
    void nameColumn_data();
    void nameColumn();
    void hostile_data();
    void hostile();
    void cutAtEveryOffset();
    void tableDataEndsEarly();
    void writerSourceFormat();
    void writerSourceErrors_data();
    void writerSourceErrors();

private:
    QtMessageHandler previous = nullptr;
};

void TestPrgFileReader::init()
{
    warnings = 0;
    warningTexts.clear();
    previous = qInstallMessageHandler(countingHandler);
}

void TestPrgFileReader::cleanup()
{
    qInstallMessageHandler(previous);
}

void TestPrgFileReader::roundTrip()
{
    WorkDir wd;
    QVERIFY(sampleWriter().write("ecu/" + kFile));
    PRGFileReader reader;
    QCOMPARE(reader.ecuDirectory(), QStringLiteral("./ecu"));

    QCOMPARE(reader.tableNames(kFile), QStringList({"MESSWERTETAB", "EMPTYTAB", "BETRIEBSWTAB"}));
    QCOMPARE(reader.jobNames(kFile), QStringList({"STATUS_MOTORDREHZAHL", "STATUS_LMM"}));
    QCOMPARE(reader.readDescriptionBlock(kFile), QString::fromLatin1(kDescription));
    QCOMPARE(reader.readDescriptionText(kFile), QStringLiteral("ECU:Engine control MSV70\n"));

    QScopedPointer<PRGTable> t(reader.readTable(kFile, "MESSWERTETAB"));
    QVERIFY(t);
    QCOMPARE(t->rows, 3);
    QCOMPARE(t->columns, 3);
    QCOMPARE(t->tableName, QStringLiteral("MESSWERTETAB"));
    QCOMPARE(t->fileName, kFile);
    QCOMPARE(t->text, QString::fromLatin1("NR\tRESULTNAME\tINFO\n"
                                          "0x01\tSTAT_MOTORDREHZAHL_WERT\tEngine speed\n"
                                          "A\t\tB\n"
                                          "0x03\tSTAT_\xC4\tUmlaut \xFC\n"));

    QScopedPointer<PRGTable> empty(reader.readTable(kFile, "EMPTYTAB"));
    QVERIFY(empty);
    QCOMPARE(empty->rows, 0);
    QCOMPARE(empty->columns, 2);
    QCOMPARE(empty->text, QStringLiteral("COL1\tCOL2\n"));
    QCOMPARE(warnings, 0);
}

void TestPrgFileReader::tableLookupIsExact()
{
    WorkDir wd;
    QVERIFY(sampleWriter().write("ecu/" + kFile));
    PRGFileReader reader;
    QVERIFY(!reader.readTable(kFile, "messwertetab"));
    QVERIFY(!reader.readTable(kFile, "NOSUCHTAB"));
    QVERIFY(!reader.readTable(kFile, QString()));
    QCOMPARE(warnings, 0);
}

void TestPrgFileReader::missingFileGivesEmpty()
{
    WorkDir wd;
    PRGFileReader reader;
    QVERIFY(reader.tableNames(kFile).isEmpty());
    QVERIFY(reader.jobNames(kFile).isEmpty());
    QVERIFY(reader.readDescriptionBlock(kFile).isNull());
    QVERIFY(reader.readDescriptionText(kFile).isNull());
    QVERIFY(!reader.readTable(kFile, "MESSWERTETAB"));
}

void TestPrgFileReader::fileNameIgnoresCase()
{
    WorkDir wd;
    QVERIFY(sampleWriter().write("Ecu/msv70.PRG"));
    PRGFileReader reader;
    reader.setEcuDirectory("./ecu");
    QCOMPARE(reader.jobNames(kFile).size(), 2);
    QScopedPointer<PRGTable> t(reader.readTable(kFile, "EMPTYTAB"));
    QVERIFY(t);
    QCOMPARE(t->fileName, kFile);
}

void TestPrgFileReader::ecuDirectoryChoice()
{
    WorkDir wd;
    QCOMPARE(PRGFileReader().ecuDirectory(), PRGFileReader::defaultFallbackDirectory());
    QVERIFY(sampleWriter().write(PRGFileReader::defaultFallbackDirectory() + "/" + kFile));
    QCOMPARE(PRGFileReader().jobNames(kFile).size(), 2);
    QVERIFY(QDir().mkdir("ecu"));
    QCOMPARE(PRGFileReader().ecuDirectory(), QStringLiteral("./ecu"));
}

void TestPrgFileReader::longestCellKeptWhole()
{
    WorkDir wd;
    PrgWriter w;
    const QByteArray longCell(PRGFileReader::MaxCellBytes - 1, 'x');
    w.addTable("T", {"A", "B"}, {{"1", longCell}});
    QVERIFY(w.write("ecu/" + kFile));
    QScopedPointer<PRGTable> t(PRGFileReader().readTable(kFile, "T"));
    QVERIFY(t);
    QCOMPARE(t->text, QString::fromLatin1("A\tB\n1\t" + longCell + "\n"));
}

void TestPrgFileReader::nameColumn_data()
{
    QTest::addColumn<bool>("longName");
    QTest::addColumn<QString>("table");
    QTest::addColumn<QStringList>("columns");
    QTest::addColumn<int>("expected");
    QTest::newRow("betriebsw long") << true << "BETRIEBSWTAB" << QStringList{"NR", "NAME", "LNAME"} << 2;
    QTest::newRow("betriebsw short") << false << "BETRIEBSWTAB" << QStringList{"NR", "NAME", "LNAME"} << 1;
    QTest::newRow("messwerte short absent") << false << "MESSWERTETAB" << QStringList{"NAME", "INFO"} << -1;
    QTest::newRow("messwerte long") << true << "MESSWERTETAB" << QStringList{"NAME", "INFO"} << 1;
    QTest::newRow("sg_funktionen short") << false << "SG_FUNKTIONEN" << QStringList{"ARG", "RESULTNAME", "INFO"} << 1;
    QTest::newRow("first equal entry") << false << "SG_FUNKTIONEN" << QStringList{"RESULTNAME", "RESULTNAME"} << 0;
    QTest::newRow("other table") << false << "FORTTEXTE" << QStringList{"NAME", "RESULTNAME"} << -1;
    QTest::newRow("table case") << false << "messwertetab" << QStringList{"RESULTNAME"} << -1;
}

void TestPrgFileReader::nameColumn()
{
    QFETCH(bool, longName);
    QFETCH(QString, table);
    QFETCH(QStringList, columns);
    QFETCH(int, expected);
    QCOMPARE(PRGFileReader::nameColumn(longName, table, columns), expected);
}

namespace {
enum Target { Tables = 1, TableData = 2, Jobs = 4, Description = 8, All = 15 };
using Damage = std::function<void(PrgWriter &)>;
using Patch = std::function<void(QByteArray &, const PrgWriter::Layout &)>;
}
Q_DECLARE_METATYPE(Damage)
Q_DECLARE_METATYPE(Patch)

void TestPrgFileReader::hostile_data()
{
    QTest::addColumn<Damage>("damage");
    QTest::addColumn<Patch>("patch");
    QTest::addColumn<int>("target");
    const Patch none = [](QByteArray &, const PrgWriter::Layout &) {};
    const Damage intact = [](PrgWriter &) {};
    const qint64 big = 0x7FFFFFFF, neg = -1, veryNeg = qint64(-0x7FFFFFFF) - 1;

    QTest::newRow("huge table count") << Damage([=](PrgWriter &w) { w.setTableCount(big); }) << none << int(Tables | TableData);
    QTest::newRow("negative table count") << Damage([=](PrgWriter &w) { w.setTableCount(neg); }) << none << int(Tables | TableData);
    QTest::newRow("table count one too many") << Damage([=](PrgWriter &w) { w.setTableCount(4); }) << none << int(Tables | TableData);
    QTest::newRow("huge job count") << Damage([=](PrgWriter &w) { w.setJobCount(big); }) << none << int(Jobs);
    QTest::newRow("negative job count") << Damage([=](PrgWriter &w) { w.setJobCount(veryNeg); }) << none << int(Jobs);
    QTest::newRow("huge description length") << Damage([=](PrgWriter &w) { w.setDescriptionLength(big); }) << none << int(Description);
    QTest::newRow("negative description length") << Damage([=](PrgWriter &w) { w.setDescriptionLength(neg); }) << none << int(Description);
    QTest::newRow("directory offset past end") << Damage([=](PrgWriter &w) { w.setTableDirOffset(big); }) << none << int(Tables | TableData);
    QTest::newRow("negative directory offset") << Damage([=](PrgWriter &w) { w.setTableDirOffset(veryNeg); }) << none << int(Tables | TableData);
    QTest::newRow("job list offset past end") << Damage([=](PrgWriter &w) { w.setJobListOffset(big - 2); }) << none << int(Jobs);
    QTest::newRow("negative job list offset") << Damage([=](PrgWriter &w) { w.setJobListOffset(neg); }) << none << int(Jobs);
    QTest::newRow("description offset past end") << Damage([=](PrgWriter &w) { w.setDescriptionOffset(big); }) << none << int(Description);
    QTest::newRow("negative description offset") << Damage([=](PrgWriter &w) { w.setDescriptionOffset(-4); }) << none << int(Description);
    QTest::newRow("table data past end") << Damage([=](PrgWriter &w) { w.setTableDataOffset(0, big); }) << none << int(TableData);
    QTest::newRow("negative table data offset") << Damage([=](PrgWriter &w) { w.setTableDataOffset(0, neg); }) << none << int(TableData);
    QTest::newRow("huge row count") << Damage([=](PrgWriter &w) { w.setTableRows(0, big); }) << none << int(TableData);
    QTest::newRow("negative row count") << Damage([=](PrgWriter &w) { w.setTableRows(0, veryNeg); }) << none << int(TableData);
    QTest::newRow("huge column count") << Damage([=](PrgWriter &w) { w.setTableColumns(0, big); }) << none << int(TableData);
    QTest::newRow("zero columns") << Damage([=](PrgWriter &w) { w.setTableColumns(0, 0); }) << none << int(TableData);
    QTest::newRow("negative columns") << Damage([=](PrgWriter &w) { w.setTableColumns(0, neg); }) << none << int(TableData);
    QTest::newRow("rows times columns overflow") << Damage([=](PrgWriter &w) { w.setTableRows(0, big); w.setTableColumns(0, big); }) << none << int(TableData);
    QTest::newRow("unterminated table name") << Damage([=](PrgWriter &w) { w.setUnterminatedTableName(2); }) << none << int(Tables | TableData);
    QTest::newRow("unterminated job name") << Damage([=](PrgWriter &w) { w.setUnterminatedJobName(1); }) << none << int(Jobs);
    QTest::newRow("cell over 1023 bytes") << Damage([=](PrgWriter &w) {
        w.addTable("LONGCELL", {"A"}, {{QByteArray(1500, 'y')}});
    }) << none << int(TableData);
    QTest::newRow("header only") << Damage(intact) << Patch([](QByteArray &f, const PrgWriter::Layout &) { f.truncate(0x86); }) << int(All);
    QTest::newRow("empty file") << Damage(intact) << Patch([](QByteArray &f, const PrgWriter::Layout &) { f.clear(); }) << int(All);
}

void TestPrgFileReader::hostile()
{
    QFETCH(Damage, damage);
    QFETCH(Patch, patch);
    QFETCH(int, target);
    WorkDir wd;

    PrgWriter clean = sampleWriter();
    PrgWriter w = sampleWriter();
    damage(w);
    PrgWriter::Layout layout;
    QByteArray bytes = w.build(&layout);
    patch(bytes, layout);
    QVERIFY(wd.write("ecu/" + kFile, bytes));

    PRGFileReader reader;
    QElapsedTimer timer;
    timer.start();

    warnings = 0;
    const QStringList tables = reader.tableNames(kFile);
    if (target & Tables) {
        QVERIFY(tables.isEmpty());
        QCOMPARE(warnings, 1);
    } else {
        QVERIFY(tables.startsWith("MESSWERTETAB"));
        QCOMPARE(warnings, 0);
    }

    warnings = 0;
    QScopedPointer<PRGTable> first(reader.readTable(kFile, "MESSWERTETAB"));
    QScopedPointer<PRGTable> last(reader.readTable(kFile, "LONGCELL"));
    if (target & TableData) {
        QVERIFY(!first || !last);
        QVERIFY(warnings >= 1 && warnings <= 2);
    } else {
        QVERIFY(first);
        QCOMPARE(warnings, 0);
    }
    if (first) {
        QCOMPARE(first->text, QString::fromLatin1("NR\tRESULTNAME\tINFO\n"
                                                  "0x01\tSTAT_MOTORDREHZAHL_WERT\tEngine speed\n"
                                                  "A\t\tB\n"
                                                  "0x03\tSTAT_\xC4\tUmlaut \xFC\n"));
    }

    warnings = 0;
    const QStringList jobs = reader.jobNames(kFile);
    if (target & Jobs) {
        QVERIFY(jobs.isEmpty());
        QCOMPARE(warnings, 1);
    } else {
        QCOMPARE(jobs.size(), 2);
    }

    warnings = 0;
    const QString block = reader.readDescriptionBlock(kFile);
    const QString line = reader.readDescriptionText(kFile);
    if (target & Description) {
        QVERIFY(block.isEmpty());
        QVERIFY(line.isEmpty());
        QCOMPARE(warnings, 2);
    } else {
        QCOMPARE(block, QString::fromLatin1(kDescription));
        QCOMPARE(line, QStringLiteral("ECU:Engine control MSV70\n"));
    }
    QVERIFY2(timer.elapsed() < 1000, qPrintable(QString::number(timer.elapsed())));
    (void)clean;
}

// A file cut short anywhere gives, for every read, the whole answer or an
// empty one, never a part, a crash or a hang.
void TestPrgFileReader::cutAtEveryOffset()
{
    WorkDir wd;
    const QByteArray full = sampleWriter().build();
    PRGFileReader reader;
    reader.setEcuDirectory("ecu");
    const QStringList allTables = {"MESSWERTETAB", "EMPTYTAB", "BETRIEBSWTAB"};
    QScopedPointer<PRGTable> fullTable;
    {
        QVERIFY(wd.write("ecu/" + kFile, full));
        fullTable.reset(reader.readTable(kFile, "MESSWERTETAB"));
        QVERIFY(fullTable);
    }
    QElapsedTimer timer;
    timer.start();
    for (int cut = 0; cut < full.size(); ++cut) {
        QVERIFY(wd.write("ecu/" + kFile, full.left(cut)));
        const QStringList tables = reader.tableNames(kFile);
        QVERIFY2(tables.isEmpty() || tables == allTables, qPrintable(QString::number(cut)));
        const QStringList jobs = reader.jobNames(kFile);
        QVERIFY(jobs.isEmpty() || jobs.size() == 2);
        const QString block = reader.readDescriptionBlock(kFile);
        QVERIFY(block.isEmpty() || block == QString::fromLatin1(kDescription));
        const QString line = reader.readDescriptionText(kFile);
        QVERIFY(line.isEmpty() || QStringLiteral("ECU:Engine control MSV70\n").startsWith(line));
        QScopedPointer<PRGTable> t(reader.readTable(kFile, "MESSWERTETAB"));
        QVERIFY(!t || t->text == fullTable->text);
    }
    QVERIFY(timer.elapsed() < 60000);
}

// A row count that passes the size check but needs more cells than the
// rest of the file holds: the read stops at the end with one error.
void TestPrgFileReader::tableDataEndsEarly()
{
    WorkDir wd;
    PrgWriter w = sampleWriter();
    PrgWriter::Layout layout;
    const QByteArray plain = PrgWriter::scramble(w.build(&layout));
    const qint64 start = layout.tableDataOffsets.at(0);
    const qint64 rest = layout.size - start;
    const qint64 ends = plain.mid(int(start)).count('\0');
    const qint64 rows = ends / 3 + 1;
    QVERIFY((rows + 1) * 3 <= rest);
    w.setTableRows(0, rows);
    QVERIFY(w.write("ecu/" + kFile));
    warnings = 0;
    QVERIFY(!PRGFileReader().readTable(kFile, "MESSWERTETAB"));
    QCOMPARE(warnings, 1);
    QVERIFY2(warningTexts.value(0).contains("can't read table data, MESSWERTETAB"), qPrintable(warningTexts.value(0)));
}

// The text form that the kelvo_prgwriter tool reads for the demo.
void TestPrgFileReader::writerSourceFormat()
{
    WorkDir wd;
    const QByteArray source = "# demo ECU\r\n"
                              "[description]\r\n"
                              "ECU:Gearbox GS19D\r\n"
                              "JOBNAME:STATUS_GANG\r\n"
                              "RESULT:STAT_GANG_WERT\r\n"
                              "JOBNAME:IDENT\r\n"
                              "\r\n"
                              "[table BETRIEBSWTAB]\r\n"
                              "NR\tNAME\tLNAME\r\n"
                              "# a comment row\r\n"
                              "1\tGANG\tGear engaged\r\n"
                              "[table EMPTY]\n"
                              "ONLY\n";
    PrgWriter w;
    QString error;
    QVERIFY2(w.parseSource(source, &error), qPrintable(error));
    QVERIFY(w.write("ecu/GS19D.prg"));
    PRGFileReader reader;
    QCOMPARE(reader.jobNames("GS19D.prg"), QStringList({"STATUS_GANG", "IDENT"}));
    QCOMPARE(reader.readDescriptionBlock("GS19D.prg"),
             QStringLiteral("ECU:Gearbox GS19D\nJOBNAME:STATUS_GANG\nRESULT:STAT_GANG_WERT\nJOBNAME:IDENT\n"));
    QCOMPARE(reader.tableNames("GS19D.prg"), QStringList({"BETRIEBSWTAB", "EMPTY"}));
    QScopedPointer<PRGTable> t(reader.readTable("GS19D.prg", "BETRIEBSWTAB"));
    QVERIFY(t);
    QCOMPARE(t->text, QStringLiteral("NR\tNAME\tLNAME\n1\tGANG\tGear engaged\n"));
    QScopedPointer<PRGTable> e(reader.readTable("GS19D.prg", "EMPTY"));
    QVERIFY(e);
    QCOMPARE(e->text, QStringLiteral("ONLY\n"));

    PrgWriter listed;
    QVERIFY(listed.parseSource("[description]\nECU:x\nJOBNAME:A\n[jobs]\nB\nC\n", &error));
    QVERIFY(listed.write("ecu/X.prg"));
    QCOMPARE(reader.jobNames("X.prg"), QStringList({"B", "C"}));
}

void TestPrgFileReader::writerSourceErrors_data()
{
    QTest::addColumn<QByteArray>("source");
    QTest::addColumn<QString>("message");
    QTest::newRow("unknown section") << QByteArray("[tables]\n") << "unknown section";
    QTest::newRow("text outside") << QByteArray("ECU:x\n") << "outside a section";
    QTest::newRow("cell count") << QByteArray("[table T]\nA\tB\n1\n") << "1 cells, table T has 2 columns";
    QTest::newRow("no header") << QByteArray("[table T]\n\n") << "no header";
}

void TestPrgFileReader::writerSourceErrors()
{
    QFETCH(QByteArray, source);
    QFETCH(QString, message);
    PrgWriter w;
    QString error;
    QVERIFY(!w.parseSource(source, &error));
    QVERIFY2(error.contains(message), qPrintable(error));
}

QTEST_GUILESS_MAIN(TestPrgFileReader)
#include "tst_prgfilereader.moc"
