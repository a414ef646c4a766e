#include "cjob.h"
#include "customexpression.h"
#include "customexpressionseditor.h"
#include "exactnumber.h"
#include "workdir.h"

#include <QLocale>
#include <QProcess>
#include <QStandardPaths>
#include <QtTest>
#include <clocale>
#include <cmath>
#include <cstdio>

class TestCustomExpressionsEditor : public QObject
{
    Q_OBJECT
private slots:
    void formulaAppendsRealResult();
    void textIgnoresLocale();
    void reverseFileOrder();
    void bracketsLeaveVariableNames();
    void integerResultsContributeIntValue();
    void jobKeyMatching_data();
    void jobKeyMatching();
    void noFormulasAfterJobWithFormulas();
    void syntaxErrorEveryRun();
    void valuesFollowEveryRun();
    void variableMissingInNextJob();
    void rejectedVariableName();
    void refusedAtLoadIsReportedEachRun();
    void missingFile();
    void malformedAndOddFiles_data();
    void malformedAndOddFiles();
};

static CJobResult result(const char *name, double value, int format = 8)
{
    CJobResult r;
    r.name = name;
    r.realValue = value;
    r.format = format;
    return r;
}

static CJob job(const char *ecu, const char *name, std::initializer_list<CJobResult> results)
{
    CJob j(ecu, name);
    for (const CJobResult &r : results)
        j.addResult(r);
    return j;
}

static QByteArray config(const QList<QStringList> &jobs)
{
    // Each entry: ecu, job, then pairs of result name and formula.
    QByteArray xml = "<?xml version=\"1.0\"?>\n<expressions>\n";
    for (const QStringList &j : jobs) {
        xml += "  <customexpression><ecu>" + j.at(0).toUtf8() + "</ecu><job>" + j.at(1).toUtf8() + "</job>\n";
        for (int i = 2; i + 1 < j.size(); i += 2)
            xml += "    <result><name>" + j.at(i).toHtmlEscaped().toUtf8() +
                   "</name><expr>" + j.at(i + 1).toHtmlEscaped().toUtf8() + "</expr></result>\n";
        xml += "  </customexpression>\n";
    }
    return xml + "</expressions>\n";
}

static QStringList names(const CJob &j)
{
    QStringList out;
    for (const CJobResult &r : j.results)
        out << QString::fromLatin1(r.name.c_str());
    return out;
}

void TestCustomExpressionsEditor::formulaAppendsRealResult()
{
    WorkDir wd;
    QVERIFY(wd.write("config/customexpressions.xml", config({{"D_MOTOR", "STATUS_X", "Y", "X*2"}})));
    CustomExpressionsEditor editor;
    editor.loadConfig();
    CJob j = job("D_MOTOR", "STATUS_X", {result("X", 3)});
    editor.applyExpressions(j);
    QCOMPARE(j.getResultCount(), 2);
    const CJobResult &y = j.resultAt(1);
    QCOMPARE(y.name, std::string("Y"));
    QCOMPARE(y.realValue, 6.0);
    QCOMPARE(y.typeName, std::string("real"));
    QCOMPARE(y.format, 8);
    QCOMPARE(QByteArray(y.textValue), QByteArray("6.000000E+00"));
    QVERIFY(y.displayName.empty() && y.comment.empty() && y.unit.empty());
    QCOMPARE(j.resultAt(0).name, std::string("X")); // the job's own results stay first and unchanged
    QCOMPARE(j.resultAt(0).realValue, 3.0);
}

void TestCustomExpressionsEditor::textIgnoresLocale()
{
    WorkDir wd;
    QVERIFY(wd.write("config/customexpressions.xml",
                     config({{"E", "J", "Y", "X*2"}, {"E", "J", "BIG", "X*1e300*1e8"}, {"E", "J", "NEG", "-X/4"}})));
    // A user's German C locale writes "6,000000E+00" with printf. Build one
    // in the working directory; glibc finds it through LOCPATH.
    const QString localedef = QStandardPaths::findExecutable(QStringLiteral("localedef"));
    bool germanC = false;
    if (!localedef.isEmpty() &&
        QProcess::execute(localedef, {"-i", "de_DE", "-f", "ISO-8859-1", wd.filePath("de_DE.ISO-8859-1")}) == 0) {
        qputenv("LOCPATH", QFile::encodeName(wd.path()));
        germanC = std::setlocale(LC_ALL, "de_DE.ISO-8859-1") != nullptr;
    }
    if (germanC) {
        char probe[32];
        std::snprintf(probe, sizeof probe, "%E", 6.0);
        QCOMPARE(QByteArray(probe), QByteArray("6,000000E+00"));
    } else {
        qWarning("no German C locale could be built: only Qt's default locale is tested");
    }
    const QLocale before;
    // Decoding a serial reply makes German Qt's default locale.
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    CustomExpressionsEditor editor;
    editor.loadConfig();
    CJob j = job("E", "J", {result("X", 3)});
    editor.applyExpressions(j);
    QLocale::setDefault(before);
    std::setlocale(LC_ALL, "C");
    qunsetenv("LOCPATH");
    QCOMPARE(names(j), (QStringList{"X", "NEG", "BIG", "Y"}));
    QCOMPARE(QByteArray(j.resultAt(1).textValue), QByteArray("-7.500000E-01"));
    QCOMPARE(QByteArray(j.resultAt(2).textValue), QByteArray("INF"));
    QCOMPARE(QByteArray(j.resultAt(3).textValue), QByteArray("6.000000E+00"));
}

void TestCustomExpressionsEditor::reverseFileOrder()
{
    WorkDir wd;
    // Two elements for the same job add up under one key.
    QVERIFY(wd.write("config/customexpressions.xml",
                     config({{"E", "J", "A", "X+1", "B", "X+2"}, {"E", "OTHER", "Z", "1"}, {"E", "J", "C", "X+3"}})));
    CustomExpressionsEditor editor;
    editor.loadConfig();
    CJob j = job("E", "J", {result("X", 10)});
    editor.applyExpressions(j);
    QCOMPARE(names(j), (QStringList{"X", "C", "B", "A"}));
    QCOMPARE(j.resultAt(1).realValue, 13.0);
    QCOMPARE(j.resultAt(2).realValue, 12.0);
    QCOMPARE(j.resultAt(3).realValue, 11.0);
}

void TestCustomExpressionsEditor::bracketsLeaveVariableNames()
{
    CustomExpressionsEditor editor;
    CJob key("E", "J");
    editor.evaluator().addExpression(key, "SUM", "T0 + WERT12 + LAST");
    CJob j = job("E", "J", {result("T[0]", 1), result("WERT[1][2]", 20), result("[LAST]", 300)});
    editor.applyExpressions(j);
    QCOMPARE(names(j), (QStringList{"T[0]", "WERT[1][2]", "[LAST]", "SUM"}));
    QCOMPARE(j.resultAt(3).realValue, 321.0);
}

void TestCustomExpressionsEditor::integerResultsContributeIntValue()
{
    CustomExpressionsEditor editor;
    CJob key("E", "J");
    editor.evaluator().addExpression(key, "Y", "N*10 + R");
    CJobResult n = result("N", 0, 2);
    n.typeName = "integer";
    n.intValue = 7;
    CJob j = job("E", "J", {n, result("R", 0.5)});
    editor.applyExpressions(j);
    QCOMPARE(j.resultAt(2).realValue, 70.5);
}

void TestCustomExpressionsEditor::jobKeyMatching_data()
{
    QTest::addColumn<QString>("fileEcu");
    QTest::addColumn<QString>("fileJob");
    QTest::addColumn<QString>("ecu");
    QTest::addColumn<QString>("jobName");
    QTest::addColumn<QString>("virtualName");
    QTest::addColumn<bool>("matches");
    QTest::newRow("same") << "D_MOTOR" << "STATUS_X" << "D_MOTOR" << "STATUS_X" << "" << true;
    QTest::newRow("virtual name") << "D_MOTOR" << "MY_VIEW" << "D_MOTOR" << "STATUS_X" << "MY_VIEW" << true;
    QTest::newRow("job name hidden by virtual name") << "D_MOTOR" << "STATUS_X" << "D_MOTOR" << "STATUS_X"
                                                     << "MY_VIEW" << false;
    QTest::newRow("ecu case") << "d_motor" << "STATUS_X" << "D_MOTOR" << "STATUS_X" << "" << false;
    QTest::newRow("job case") << "D_MOTOR" << "status_x" << "D_MOTOR" << "STATUS_X" << "" << false;
    QTest::newRow("other ecu") << "D_MOTOR" << "STATUS_X" << "D_MOTOR2" << "STATUS_X" << "" << false;
}

void TestCustomExpressionsEditor::jobKeyMatching()
{
    QFETCH(QString, fileEcu);
    QFETCH(QString, fileJob);
    QFETCH(QString, ecu);
    QFETCH(QString, jobName);
    QFETCH(QString, virtualName);
    QFETCH(bool, matches);
    WorkDir wd;
    QVERIFY(wd.write("config/customexpressions.xml", config({{fileEcu, fileJob, "Y", "X+1"}})));
    CustomExpressionsEditor editor;
    editor.loadConfig();
    CJob j = job(ecu.toLatin1().constData(), jobName.toLatin1().constData(), {result("X", 1)});
    j.virtualName = virtualName.toStdString();
    editor.applyExpressions(j);
    QCOMPARE(j.getResultCount(), matches ? 2 : 1);
}

void TestCustomExpressionsEditor::noFormulasAfterJobWithFormulas()
{
    CustomExpressionsEditor editor;
    CJob key("E", "J");
    editor.evaluator().addExpression(key, "Y", "X+1");
    CJob first = job("E", "J", {result("X", 1)});
    editor.applyExpressions(first);
    QCOMPARE(first.getResultCount(), 2);
    CJob other = job("E", "K", {result("X", 1)});
    editor.applyExpressions(other);
    QCOMPARE(names(other), QStringList{"X"});
    QVERIFY(editor.evaluator().evaluate(other).isEmpty());
}

void TestCustomExpressionsEditor::syntaxErrorEveryRun()
{
    CustomExpressionsEditor editor;
    CJob key("E", "J");
    editor.evaluator().addExpression(key, "BAD", "X*(2");
    editor.evaluator().addExpression(key, "GOOD", "X*2");
    for (int run = 0; run < 3; ++run) {
        CJob j = job("E", "J", {result("X", 4)});
        editor.applyExpressions(j);
        // Own results, the error result, then the formulas in evaluation order.
        QCOMPARE(j.getResultCount(), 4);
        const CJobResult &err = j.resultAt(1);
        QVERIFY2(QByteArray(err.name.c_str()).endsWith(":X*(2"), err.name.c_str());
        QVERIFY(err.name.size() > 6);
        QCOMPARE(err.format, 8);
        QCOMPARE(err.realValue, 0.0);
        QVERIFY(err.typeName.empty() && err.displayName.empty() && err.textValue[0] == '\0');
        QCOMPARE(j.resultAt(2).name, std::string("GOOD"));
        QCOMPARE(j.resultAt(2).realValue, 8.0);
        // Never evaluated: its result is there, without a number.
        QCOMPARE(j.resultAt(3).name, std::string("BAD"));
        QVERIFY(std::isnan(j.resultAt(3).realValue));
        QCOMPARE(QByteArray(j.resultAt(3).textValue), QByteArray());
        double number = 0.0;
        QVERIFY(!ExactNumber::resultValue(j.resultAt(3), number));
        QVERIFY(ExactNumber::resultValue(j.resultAt(2), number));
        QCOMPARE(number, 8.0);
    }
}

void TestCustomExpressionsEditor::valuesFollowEveryRun()
{
    CustomExpressionsEditor editor;
    CJob key("E", "J");
    editor.evaluator().addExpression(key, "Y", "X*X + N");
    CJobResult n = result("N", 0, 2);
    for (int run = 0; run < 5; ++run) {
        n.intValue = qint16(run * 100);
        CJob j = job("E", "J", {result("X", run), n});
        editor.applyExpressions(j);
        QCOMPARE(j.resultAt(2).realValue, double(run * run + run * 100));
    }
}

void TestCustomExpressionsEditor::variableMissingInNextJob()
{
    // The first job binds X; the second has no X. Reading X through the first
    // job's binding would read freed or stale storage.
    CustomExpressionsEditor editor;
    CJob key("E", "J");
    editor.evaluator().addExpression(key, "Y", "X*2 + W");
    {
        CJob j = job("E", "J", {result("X", 3), result("W", 1)});
        editor.applyExpressions(j);
        QCOMPARE(names(j), (QStringList{"X", "W", "Y"}));
        QCOMPARE(j.resultAt(2).realValue, 7.0);
    }
    {
        CJob j = job("E", "J", {result("W", 100)});
        editor.applyExpressions(j);
        QCOMPARE(j.getResultCount(), 3);
        QVERIFY2(QByteArray(j.resultAt(1).name.c_str()).contains("X"), j.resultAt(1).name.c_str());
        QCOMPARE(j.resultAt(1).realValue, 0.0);
        // The last run's 7 beside this run's W would disagree with it: Y
        // comes without a number.
        QCOMPARE(j.resultAt(2).name, std::string("Y"));
        double number = 0.0;
        QVERIFY(!ExactNumber::resultValue(j.resultAt(2), number));
        QCOMPARE(QByteArray(j.resultAt(2).textValue), QByteArray());
    }
    {
        CJob j = job("E", "J", {result("W", 5), result("X", 0.5)});
        editor.applyExpressions(j);
        QCOMPARE(names(j), (QStringList{"W", "X", "Y"}));
        QCOMPARE(j.resultAt(2).realValue, 6.0);
    }
}

void TestCustomExpressionsEditor::rejectedVariableName()
{
    CustomExpressionsEditor editor;
    CJob key("E", "J");
    editor.evaluator().addExpression(key, "Y", "X+1");
    for (int run = 0; run < 2; ++run) {
        CJob j = job("E", "J", {result("A-B", 1), result("X", 2 + run), result("1ST", 3), result("[]", 4)});
        editor.applyExpressions(j);
        QCOMPARE(j.getResultCount(), 4 + 3 + 1);
        const QByteArray first(j.resultAt(4).name.c_str());
        QVERIFY2(first.startsWith("Y:") && first.endsWith("A-B:"), first.constData());
        const QByteArray second(j.resultAt(5).name.c_str());
        QVERIFY2(second.startsWith("Y:") && second.endsWith("1ST:"), second.constData());
        const QByteArray third(j.resultAt(6).name.c_str());
        QVERIFY2(third.startsWith("Y:") && third.endsWith(":"), third.constData());
        QCOMPARE(j.resultAt(7).name, std::string("Y"));
        QCOMPARE(j.resultAt(7).realValue, 3.0 + run);
    }
}

void TestCustomExpressionsEditor::refusedAtLoadIsReportedEachRun()
{
    CustomExpressionsEditor editor;
    CJob key("E", "J");
    const QString tooLong = QString(30000, QLatin1Char('1'));
    editor.evaluator().addExpression(key, "LONG", tooLong);
    editor.evaluator().addExpression(key, "Y", "X");
    for (int run = 0; run < 2; ++run) {
        CJob j = job("E", "J", {result("X", 5)});
        editor.applyExpressions(j);
        QCOMPARE(names(j).mid(2), (QStringList{"Y", "LONG"}));
        QVERIFY(!j.resultAt(1).name.empty());
        QCOMPARE(j.resultAt(1).format, 8);
        QCOMPARE(j.resultAt(2).realValue, 5.0);
    }
}

void TestCustomExpressionsEditor::missingFile()
{
    WorkDir wd;
    CustomExpressionsEditor editor;
    QCOMPARE(editor.fileName(), QStringLiteral("config/customexpressions.xml"));
    editor.loadConfig();
    QCOMPARE(editor.evaluator().expressionCount(), 0);
    CJob j = job("E", "J", {result("X", 5)});
    editor.applyExpressions(j);
    QCOMPARE(j.getResultCount(), 1);
}

void TestCustomExpressionsEditor::malformedAndOddFiles_data()
{
    QTest::addColumn<QByteArray>("xml");
    QTest::addColumn<int>("formulas");
    QTest::addColumn<QStringList>("added");
    QTest::newRow("empty") << QByteArray() << 0 << QStringList{};
    QTest::newRow("not xml") << QByteArray("\x01\x02garbage<<") << 0 << QStringList{};
    QTest::newRow("any root, deep elements, any tags")
        << QByteArray("<a><b><customexpression><x>E</x><y>J</y><z><result><p>R</p><q>X+1</q></result></z>"
                      "</customexpression></b></a>")
        << 1 << QStringList{"R"};
    QTest::newRow("missing formula")
        << QByteArray("<r><customexpression><e>E</e><j>J</j><result><n>R</n></result></customexpression></r>") << 1
        << QStringList{"", "R"};
    QTest::newRow("comments and bare text")
        << QByteArray("<r><customexpression><!-- engine -->E<j>J</j><result><!-- note --><n>R</n>X*2"
                      "</result></customexpression></r>")
        << 1 << QStringList{"R"};
    QTest::newRow("missing job")
        << QByteArray("<r><customexpression><e>E</e></customexpression></r>") << 0 << QStringList{};
}

void TestCustomExpressionsEditor::malformedAndOddFiles()
{
    QFETCH(QByteArray, xml);
    QFETCH(int, formulas);
    QFETCH(QStringList, added);
    CustomExpressionsEditor editor;
    editor.loadConfig(xml);
    QCOMPARE(editor.evaluator().expressionCount(), formulas);
    CJob j = job("E", "J", {result("X", 5)});
    editor.applyExpressions(j);
    QStringList got = names(j).mid(1);
    // Error results carry the parser's message: compare only whether one is there.
    for (QString &n : got) {
        if (n.contains(QLatin1Char(':')))
            n.clear();
    }
    QCOMPARE(got, added);
}

QTEST_MAIN(TestCustomExpressionsEditor)
#include "tst_customexpressionseditor.moc"
