// The argument rules of the five measuring jobs, operation by operation in
// one table, and the measuring job an ECU's description file offers.
#include "cjob.h"
#include "jobargumentrules.h"
#include "latin1.h"
#include "prgwriter.h"
#include "workdir.h"

#include <QtTest>

class TestJobArgumentRules : public QObject
{
    Q_OBJECT
private slots:
    void operations_data();
    void operations();
    void findMeasureJob_data();
    void findMeasureJob();
};

namespace {
const QString Norm = QStringLiteral("MW_SELECT_LESEN_NORM");
const QString StatusMw = QStringLiteral("STATUS_MESSWERTBLOCK_LESEN");
const QString Block = QStringLiteral("MESSWERTBLOCK_LESEN");
const QString Norm2 = QStringLiteral("MW_SELECT_LESEN_NORM2");
const QString StatusBlock = QStringLiteral("STATUS_BLOCK_LESEN");

CJob job(const QString &ecu, const QString &name, const QString &arguments)
{
    CJob j(Latin1::toStd(ecu), Latin1::toStd(name));
    j.arguments = Latin1::toStd(arguments);
    return j;
}
} // namespace

void TestJobArgumentRules::operations_data()
{
    // op: parse (result: the fields, flag: the error flag), selectors (the
    // fields less the prefix), add / remove
    // (result: the arguments afterwards, flag: the call's result), column,
    // prefix, hex (flag), rules (result: kind, table, separator).
    QTest::addColumn<QString>("op");
    QTest::addColumn<QString>("jobName");
    QTest::addColumn<QString>("ecu");
    QTest::addColumn<QString>("arguments");
    QTest::addColumn<QString>("input");
    QTest::addColumn<QStringList>("result");
    QTest::addColumn<bool>("flag");

    QTest::newRow("parse 8 chars: 2 selectors") << "parse" << Norm << "MSV70" << "AB12CD34" << ""
                                                << QStringList{"AB12", "CD34"} << false;
    QTest::newRow("parse 9 chars: none, flag") << "parse" << Norm << "MSV70" << "AB12CD34E" << "" << QStringList{}
                                               << true;
    QTest::newRow("parse fixed, empty") << "parse" << Norm << "MSV70" << "" << "" << QStringList{} << false;
    QTest::newRow("parse ;; gives an empty selector")
        << "parse" << StatusBlock << "D73N57C0" << "3;JA;ID;A;;B" << "" << QStringList{"3", "JA", "ID", "A", "", "B"}
        << false;
    QTest::newRow("parse prefix fields") << "parse" << StatusMw << "X" << "3;S1;S2" << ""
                                         << QStringList{"3", "S1", "S2"} << false;
    QTest::newRow("parse comma") << "parse" << Block << "X" << "A,B" << "" << QStringList{"A", "B"} << false;
    QTest::newRow("parse old leading comma") << "parse" << Block << "X" << ",A" << "" << QStringList{"", "A"}
                                             << false;
    QTest::newRow("parse blank") << "parse" << Norm2 << "X" << "L1 L2" << "" << QStringList{"L1", "L2"} << false;
    QTest::newRow("parse empty: no selector") << "parse" << StatusBlock << "X" << "" << "" << QStringList{} << false;
    QTest::newRow("parse other job") << "parse" << "STATUS_LMM" << "X" << "a;b" << "" << QStringList{"a", "b"}
                                     << false;

    // The fields a new job starts with are no selectors.
    QTest::newRow("selectors after the prefix") << "selectors" << StatusBlock << "D73N57C0" << "3;JA;ID;0x4A01;0x4A02"
                                                << "" << QStringList{"0x4A01", "0x4A02"} << false;
    QTest::newRow("selectors after the mode") << "selectors" << StatusMw << "X" << "3;S1" << ""
                                              << QStringList{"S1"} << false;
    QTest::newRow("selectors: prefix alone") << "selectors" << StatusBlock << "X" << "0;JA;ID" << "" << QStringList{}
                                             << false;
    QTest::newRow("selectors: cut-off prefix") << "selectors" << StatusBlock << "X" << "3;JA" << "" << QStringList{}
                                               << false;
    QTest::newRow("selectors without prefix") << "selectors" << Block << "X" << "A,B" << ""
                                              << QStringList{"A", "B"} << false;
    QTest::newRow("selectors fixed") << "selectors" << Norm << "MSV70" << "AB12CD34" << ""
                                     << QStringList{"AB12", "CD34"} << false;

    QTest::newRow("add to empty kind 2: no separator") << "add" << Block << "X" << "" << "X" << QStringList{"X"}
                                                       << true;
    QTest::newRow("add kind 2") << "add" << Block << "X" << "A" << "X" << QStringList{"A,X"} << true;
    QTest::newRow("add fixed") << "add" << Norm << "MSV70" << "AB12" << "CD34" << QStringList{"AB12CD34"} << true;
    QTest::newRow("add after prefix") << "add" << StatusBlock << "X" << "3;JA;ID" << "S1"
                                      << QStringList{"3;JA;ID;S1"} << true;
    QTest::newRow("add blank-separated") << "add" << Norm2 << "X" << "L1" << "L2" << QStringList{"L1 L2"} << true;
    QTest::newRow("refuse empty") << "add" << StatusBlock << "X" << "3;JA;ID" << "" << QStringList{"3;JA;ID"}
                                  << false;
    QTest::newRow("refuse separator ,") << "add" << Block << "X" << "A" << "B,C" << QStringList{"A"} << false;
    QTest::newRow("refuse separator ;") << "add" << StatusMw << "X" << "3" << "B;C" << QStringList{"3"} << false;
    QTest::newRow("refuse separator blank") << "add" << Norm2 << "X" << "" << "B C" << QStringList{""} << false;
    QTest::newRow("refuse 3 chars") << "add" << Norm << "MSV70" << "AB12" << "CD3" << QStringList{"AB12"} << false;
    QTest::newRow("refuse 5 chars") << "add" << Norm << "MSV70" << "" << "CD345" << QStringList{""} << false;
    QTest::newRow("refuse onto a broken length") << "add" << Norm << "MSV70" << "AB1" << "CD34" << QStringList{"AB1"}
                                                 << false;

    QTest::newRow("refuse onto a cut-off prefix") << "add" << StatusBlock << "X" << "3;JA" << "S1"
                                                  << QStringList{"3;JA"} << false;
    QTest::newRow("refuse without the mode") << "add" << StatusMw << "X" << "" << "S1" << QStringList{""} << false;

    QTest::newRow("double remove keeps prefix and order")
        << "remove" << StatusBlock << "X" << "3;JA;ID;A;B;A;C" << "A" << QStringList{"3;JA;ID;B;C"} << true;
    QTest::newRow("remove: a prefix field is no selector")
        << "remove" << StatusBlock << "X" << "3;JA;ID;0x4A01" << "ID" << QStringList{"3;JA;ID;0x4A01"} << true;
    QTest::newRow("remove keeps the prefix field of the same text")
        << "remove" << StatusBlock << "X" << "3;JA;ID;JA;B" << "JA" << QStringList{"3;JA;ID;B"} << true;
    QTest::newRow("remove keeps the mode") << "remove" << StatusMw << "X" << "3;3;S1" << "3" << QStringList{"3;S1"}
                                           << true;
    QTest::newRow("remove from a cut-off prefix") << "remove" << StatusBlock << "X" << "3;JA" << "JA"
                                                  << QStringList{"3;JA"} << true;
    QTest::newRow("remove fixed") << "remove" << Norm << "MSV70" << "AB12CD34AB12" << "AB12" << QStringList{"CD34"}
                                  << true;
    QTest::newRow("remove absent") << "remove" << Block << "X" << "A,B" << "C" << QStringList{"A,B"} << true;
    QTest::newRow("remove from unparsable keeps it") << "remove" << Norm << "MSV70" << "AB12C" << "AB12"
                                                     << QStringList{"AB12C"} << false;

    QTest::newRow("column mode 3: ID") << "column" << StatusMw << "X" << "3;A" << "" << QStringList{"ID"} << false;
    QTest::newRow("column mode 1: ARG") << "column" << StatusMw << "X" << "1" << "" << QStringList{"ARG"} << false;
    QTest::newRow("column mode 5: LABEL") << "column" << StatusMw << "X" << "5;A" << "" << QStringList{"LABEL"}
                                          << false;
    QTest::newRow("column x: ARG") << "column" << StatusMw << "X" << "x;A" << "" << QStringList{"ARG"} << false;
    QTest::newRow("column empty: none") << "column" << StatusMw << "X" << "" << "" << QStringList{""} << false;
    QTest::newRow("column mode 7: none") << "column" << StatusMw << "X" << "7;A" << "" << QStringList{""} << false;
    QTest::newRow("column DDE40KW0: ADR") << "column" << Norm << "DDE40KW0" << "" << "" << QStringList{"ADR"}
                                          << false;
    QTest::newRow("column d50m57d0: ADR") << "column" << Norm << "d50m57d0" << "" << "" << QStringList{"ADR"}
                                          << false;
    QTest::newRow("column else ADR_ALT") << "column" << Norm << "MSV70" << "" << "" << QStringList{"ADR_ALT"}
                                         << false;
    QTest::newRow("column kind 2") << "column" << Block << "X" << "" << "" << QStringList{"ID"} << false;
    QTest::newRow("column kind 3") << "column" << Norm2 << "X" << "" << "" << QStringList{"LABEL"} << false;
    QTest::newRow("column kind 4") << "column" << StatusBlock << "X" << "" << "" << QStringList{"ID"} << false;
    QTest::newRow("column other job") << "column" << "STATUS_LMM" << "X" << "3" << "" << QStringList{""} << false;

    QTest::newRow("prefix n63 any case") << "prefix" << StatusBlock << "N63" << "" << "" << QStringList{"0;JA;ID"}
                                         << false;
    QTest::newRow("prefix Mevd") << "prefix" << StatusBlock << "Mevd" << "" << "" << QStringList{"0;JA;ID"} << false;
    QTest::newRow("prefix s55") << "prefix" << StatusBlock << "s55" << "" << "" << QStringList{"0;JA;ID"} << false;
    QTest::newRow("prefix whole name only") << "prefix" << StatusBlock << "n63x" << "" << ""
                                            << QStringList{"3;JA;ID"} << false;
    QTest::newRow("prefix kind 1") << "prefix" << StatusMw << "X" << "" << "" << QStringList{"3"} << false;
    QTest::newRow("prefix kind 0") << "prefix" << Norm << "X" << "" << "" << QStringList{""} << false;
    QTest::newRow("prefix other") << "prefix" << "STATUS_LMM" << "X" << "" << "" << QStringList{""} << false;

    QTest::newRow("hex cell") << "hex" << Norm << "X" << "" << "0x4A10" << QStringList{} << true;
    QTest::newRow("hex capital X") << "hex" << Norm << "X" << "" << "0X4A10" << QStringList{} << false;
    QTest::newRow("hex other job") << "hex" << Block << "X" << "" << "0x4A10" << QStringList{} << false;

    QTest::newRow("rules kind 0") << "rules" << Norm << "" << "" << "" << QStringList{"0", "BETRIEBSWTAB", ""}
                                  << false;
    QTest::newRow("rules kind 4") << "rules" << StatusBlock << "" << "" << ""
                                  << QStringList{"4", "SG_FUNKTIONEN", ";"} << false;
    QTest::newRow("rules other job") << "rules" << "mw_select_lesen_norm" << "" << "" << ""
                                     << QStringList{"-1", "", ";"} << true;
}

void TestJobArgumentRules::operations()
{
    QFETCH(QString, op);
    QFETCH(QString, jobName);
    QFETCH(QString, ecu);
    QFETCH(QString, arguments);
    QFETCH(QString, input);
    QFETCH(QStringList, result);
    QFETCH(bool, flag);
    const JobArgumentRules rules;
    CJob j = job(ecu, jobName, arguments);
    if (op == "parse") {
        bool error = false;
        if (flag)
            QTest::ignoreMessage(QtDebugMsg, "ERROR INARGUMENT SIZE");
        QCOMPARE(rules.parseArgument(jobName, arguments, &error), result);
        QCOMPARE(error, flag);
        // Joining the selectors gives the arguments back.
        if (!flag)
            QCOMPARE(rules.joinArguments(result, j), arguments);
    } else if (op == "selectors") {
        bool error = false;
        QCOMPARE(rules.parseSelectors(jobName, arguments, &error), result);
        QCOMPARE(error, flag);
    } else if (op == "add") {
        QCOMPARE(rules.addArgument(j, input), flag);
        QCOMPARE(rules.refusal(job(ecu, jobName, arguments), input).isEmpty(), flag);
        QCOMPARE(Latin1::toQString(j.arguments), result.first());
    } else if (op == "remove") {
        QCOMPARE(rules.removeArgument(j, input), flag);
        QCOMPARE(Latin1::toQString(j.arguments), result.first());
    } else if (op == "column") {
        QCOMPARE(rules.getArgumentColumn(ecu, jobName, arguments), result.first());
    } else if (op == "prefix") {
        QCOMPARE(rules.getArgumentPrefix(jobName, j), result.first());
    } else if (op == "hex") {
        QCOMPARE(rules.isHexArgument(jobName, input), flag);
    } else if (op == "rules") {
        QCOMPARE(QString::number(rules.getJobKind(jobName)), result.at(0));
        QCOMPARE(rules.getTableName(jobName), result.at(1));
        QCOMPARE(rules.getTableName(jobName).isNull(), flag);
        QCOMPARE(rules.getSeparator(jobName), result.at(2));
    } else {
        QFAIL("unknown operation");
    }
}

void TestJobArgumentRules::findMeasureJob_data()
{
    QTest::addColumn<QList<QByteArray>>("jobs");
    QTest::addColumn<QList<QByteArray>>("tables");
    QTest::addColumn<QString>("job");
    QTest::addColumn<QString>("table");
    using L = QList<QByteArray>;
    QTest::newRow("status block first") << L{"MW_SELECT_LESEN_NORM", "STATUS_BLOCK_LESEN"}
                                        << L{"BETRIEBSWTAB", "SG_FUNKTIONEN"} << "STATUS_BLOCK_LESEN"
                                        << "SG_FUNKTIONEN";
    QTest::newRow("status block without SG_FUNKTIONEN: none")
        << L{"STATUS_BLOCK_LESEN", "MW_SELECT_LESEN_NORM"} << L{"BETRIEBSWTAB"} << "" << "";
    QTest::newRow("status messwertblock before norm")
        << L{"MW_SELECT_LESEN_NORM", "STATUS_MESSWERTBLOCK_LESEN"} << L{"BETRIEBSWTAB", "MESSWERTETAB"}
        << "STATUS_MESSWERTBLOCK_LESEN" << "MESSWERTETAB";
    QTest::newRow("norm") << L{"STATUS_LMM", "MW_SELECT_LESEN_NORM"} << L{"BETRIEBSWTAB"} << "MW_SELECT_LESEN_NORM"
                          << "BETRIEBSWTAB";
    QTest::newRow("names exact") << L{"status_block_lesen", "MW_SELECT_LESEN_NORM2"} << L{"SG_FUNKTIONEN"} << ""
                                 << "";
    QTest::newRow("no measuring job") << L{"STATUS_LMM"} << L{"BETRIEBSWTAB"} << "" << "";
}

void TestJobArgumentRules::findMeasureJob()
{
    QFETCH(QList<QByteArray>, jobs);
    QFETCH(QList<QByteArray>, tables);
    QFETCH(QString, job);
    QFETCH(QString, table);
    WorkDir wd;
    PrgWriter writer;
    writer.setDescription("ECU:Test\n");
    writer.setJobs(jobs);
    for (const QByteArray &t : tables)
        writer.addTable(t, {"ID", "RESULTNAME", "INFO"}, {{"0x01", "A", "a"}});
    QDir().mkpath("ecu");
    QVERIFY(writer.write(wd.filePath("ecu/TESTECU.prg")));
    const QPair<QString, QString> found = JobArgumentRules().findMeasureJob("TESTECU");
    QCOMPARE(found.first, job);
    QCOMPARE(found.second, table);
    // The description file is found whatever the case of its name.
    QCOMPARE(JobArgumentRules().findMeasureJob("testecu").first, job);
    QCOMPARE(JobArgumentRules().findMeasureJob("OTHER"), (QPair<QString, QString>()));
}

QTEST_GUILESS_MAIN(TestJobArgumentRules)
#include "tst_jobargumentrules.moc"
