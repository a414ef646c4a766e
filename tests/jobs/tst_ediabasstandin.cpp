// The EDIABAS stand-in as the program's callers meet it: script look-up,
// responses in turn, busy times, the system set, the interface trace file,
// the script file at initialisation, the built-in answers and the serial
// side (a telegram written to the interface port, its answer as a result).
#include "ediabasapi.h"
#include "ediabasfixture.h"
#include "ptydevice.h"
#include "workdir.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QtTest>

namespace {

QString text(const char *name, unsigned short set)
{
    char buf[APIMAXTEXT] = {0};
    if (!apiResultText(buf, name, set, ""))
        return QStringLiteral("<none>");
    return QString::fromLatin1(buf);
}

// Runs a job and waits for its end; returns the final state.
int run(const char *ecu, const char *job, const char *args = "")
{
    apiJob(ecu, job, args, "");
    int state = apiState();
    for (int i = 0; state == 0 && i < 500; ++i) {
        QTest::qWait(10);
        state = apiState();
    }
    return state;
}

const QByteArray lookupScript = R"({
  "ecus": {
    "D_MOTOR": {
      "variant": "MSV70",
      "default": { "sets": [[ { "name": "FROM", "text": "default" } ]] },
      "jobs": {
        "STATUS": { "responses": { "sets": [[ { "name": "FROM", "text": "job" } ]] },
                    "arguments": { "1;2": { "sets": [[ { "name": "FROM", "text": "arguments" } ]] } } },
        "TURNS": [ { "sets": [[ { "name": "N", "int": 1 } ]] },
                   { "sets": [[ { "name": "N", "int": 2 } ]] },
                   { "sets": [[ { "name": "N", "int": 3 } ]] } ]
      }
    },
    "G_MOTOR": { "jobs": { "ONLY": { "sets": [] } } }
  }
})";

} // namespace

class TestEdiabasStandIn : public QObject
{
    Q_OBJECT

private slots:
    void lookupOrder_data()
    {
        QTest::addColumn<QString>("ecu");
        QTest::addColumn<QString>("job");
        QTest::addColumn<QString>("args");
        QTest::addColumn<int>("state");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("from");
        QTest::newRow("ECU, job and arguments") << "D_MOTOR" << "STATUS" << "1;2" << 1 << 0 << "arguments";
        QTest::newRow("names ignore case") << "d_motor" << "status" << "1;2" << 1 << 0 << "arguments";
        QTest::newRow("arguments do not") << "D_MOTOR" << "STATUS" << "1; 2" << 1 << 0 << "job";
        QTest::newRow("ECU and job") << "D_MOTOR" << "STATUS" << "" << 1 << 0 << "job";
        QTest::newRow("ECU default") << "D_MOTOR" << "OTHER" << "" << 1 << 0 << "default";
        QTest::newRow("unknown job") << "G_MOTOR" << "OTHER" << "" << 3 << 28 << "<none>";
        QTest::newRow("unknown ECU") << "D_NONE" << "STATUS" << "" << 3 << 22 << "<none>";
    }

    void lookupOrder()
    {
        QFETCH(QString, ecu);
        QFETCH(QString, job);
        QFETCH(QString, args);
        QFETCH(int, state);
        QFETCH(int, code);
        QFETCH(QString, from);
        WorkDir wd;
        EdiabasFixture fx;
        QVERIFY2(fx.load(lookupScript), qPrintable(fx.error()));
        QCOMPARE(apiInit(), 1);
        QCOMPARE(run(ecu.toLatin1(), job.toLatin1(), args.toLatin1()), state);
        QCOMPARE(apiErrorCode(), code);
        QCOMPARE(text("FROM", 1), from);
        if (code)
            QVERIFY(QString::fromLatin1(apiErrorText()).contains(code == 22 ? ecu : job));
        apiEnd();
    }

    void responsesInTurnLastRepeats()
    {
        WorkDir wd;
        EdiabasFixture fx;
        QVERIFY(fx.load(lookupScript));
        QCOMPARE(apiInit(), 1);
        QStringList seen;
        for (int i = 0; i < 5; ++i) {
            QCOMPARE(run("D_MOTOR", "TURNS"), 1);
            seen << text("N", 1);
        }
        QCOMPARE(seen, (QStringList{"1", "2", "3", "3", "3"}));
        apiEnd();
    }

    void systemSetLikeARealOne()
    {
        WorkDir wd;
        EdiabasFixture fx;
        QVERIFY(fx.load(R"({"ecus": {"D_MOTOR": {"variant": "MSV70", "jobs": {
            "TWO": {"sets": [[{"name": "A", "int": 1}], [{"name": "JOB_STATUS", "text": "OKAY"}]]},
            "OWN": {"systemSet": [{"name": "VARIANTE", "text": "X"}], "sets": []}}}}})"));
        QCOMPARE(apiInit(), 1);
        QCOMPARE(run("D_MOTOR", "two"), 1);
        unsigned short sets = 0, count = 0;
        QCOMPARE(apiResultSets(&sets), 1);
        QCOMPARE(int(sets), 2);
        QCOMPARE(apiResultNumber(&count, 0), 1);
        QCOMPARE(int(count), 5);
        QStringList names;
        for (unsigned short i = 1; i <= count; ++i) {
            char name[APIMAXNAME];
            QCOMPARE(apiResultName(name, i, 0), 1);
            names << QString::fromLatin1(name);
        }
        QCOMPARE(names, (QStringList{"VARIANTE", "OBJECT", "JOBNAME", "SAETZE", "JOBSTATUS"}));
        QCOMPARE(text("VARIANTE", 0), QStringLiteral("MSV70"));
        QCOMPARE(text("OBJECT", 0), QStringLiteral("d_motor"));
        QCOMPARE(text("JOBNAME", 0), QStringLiteral("TWO"));
        QCOMPARE(text("SAETZE", 0), QStringLiteral("2"));
        QCOMPARE(text("JOBSTATUS", 0), QStringLiteral("OKAY"));
        QCOMPARE(apiResultNumber(&count, 3), 0);
        QCOMPARE(apiErrorCode(), 134);

        QCOMPARE(run("D_MOTOR", "OWN"), 1);
        QCOMPARE(apiResultNumber(&count, 0), 1);
        QCOMPARE(int(count), 1);
        QCOMPARE(text("VARIANTE", 0), QStringLiteral("X"));
        apiEnd();
    }

    void gettersWaitForABusyJob()
    {
        WorkDir wd;
        EdiabasFixture fx;
        QVERIFY(fx.load(R"({"ecus": {"D_MOTOR": {"jobs": {
            "SLOW": {"busyMs": 300, "sets": [[{"name": "WERT", "real": 4.5}]]}}}}})"));
        QCOMPARE(apiInit(), 1);
        QElapsedTimer t;
        t.start();
        apiJob("D_MOTOR", "SLOW", "", "");
        QCOMPARE(apiState(), 0);
        // Read right away, as the runner does with "serial/waitbusy" off.
        double value = 0;
        QCOMPARE(apiResultReal(&value, "WERT", 1), 1);
        QVERIFY2(t.elapsed() >= 250, qPrintable(QString::number(t.elapsed())));
        QCOMPARE(value, 4.5);
        QCOMPARE(apiState(), 1);
        apiEnd();
    }

    void busyUntilBroken()
    {
        WorkDir wd;
        EdiabasFixture fx;
        QVERIFY(fx.load(R"({"ecus": {"D_MOTOR": {"jobs": {"HANG": {"busyUntilBroken": true}}}}})"));
        QCOMPARE(apiInit(), 1);
        apiJob("D_MOTOR", "HANG", "", "");
        QTest::qWait(50);
        QCOMPARE(apiState(), 0);
        unsigned short count = 7;
        QCOMPARE(apiResultNumber(&count, 1), 0);  // fails at once, no wait
        QCOMPARE(int(count), 0);
        QCOMPARE(apiErrorCode(), 124);
        QCOMPARE(apiState(), 0);
        apiBreak();
        QCOMPARE(apiState(), 2);
        QCOMPARE(apiResultNumber(&count, 1), 0);
        QCOMPARE(apiErrorCode(), 125);
        QVERIFY(apiErrorText() != nullptr);
        apiEnd();
    }

    void interfaceTraceWhileIfhTraceIsOn()
    {
        WorkDir wd;
        EdiabasFixture fx;
        QVERIFY(fx.load(R"({"ecus": {"D_MOTOR": {"jobs": {
            "INFO": {"trace": ["first line", "second line"], "traceDelayMs": 400, "sets": []},
            "IDENT": {"sets": []}}}}})"));
        QCOMPARE(apiInit(), 1);
        const QString trace = wd.filePath("ediabas/trace/ifh.trc");
        QCOMPARE(run("D_MOTOR", "IDENT"), 1);
        QVERIFY(!QFileInfo::exists(trace));  // tracing is off

        QCOMPARE(apiSetConfig("IfhTrace", "3"), 1);
        QVERIFY(QFileInfo::exists(trace));
        QCOMPARE(QFileInfo(trace).size(), qint64(0));
        QCOMPARE(run("D_MOTOR", "IDENT", "a;b"), 1);
        const QByteArray ident = wd.read("ediabas/trace/ifh.trc");
        QVERIFY(ident.endsWith("\r\n"));
        QCOMPARE(ident.count("\r\n"), 3);
        QVERIFY(ident.contains("D_MOTOR.IDENT"));
        QVERIFY(ident.contains("a;b"));

        // Lines scripted to appear late.
        QCOMPARE(run("D_MOTOR", "INFO"), 1);
        QCOMPARE(wd.read("ediabas/trace/ifh.trc"), ident);
        QTRY_COMPARE_WITH_TIMEOUT(wd.read("ediabas/trace/ifh.trc"), ident + "first line\r\nsecond line\r\n", 5000);

        QCOMPARE(apiSetConfig("IfhTrace", "0"), 1);
        QCOMPARE(run("D_MOTOR", "IDENT"), 1);
        QCOMPARE(wd.read("ediabas/trace/ifh.trc"), ident + "first line\r\nsecond line\r\n");
        apiEnd();
    }

    void scriptFileIsReadAtEveryInit()
    {
        WorkDir wd;
        EdiabasFixture fx;
        QVERIFY(wd.write("ediabas/ediabas.json",
                         R"({"ecus": {"X": {"jobs": {"J": {"sets": [[{"name": "R", "text": "one"}]]}}}}})"));
        QCOMPARE(apiInit(), 1);
        QCOMPARE(run("X", "J"), 1);
        QCOMPARE(text("R", 1), QStringLiteral("one"));

        QVERIFY(wd.write("ediabas/ediabas.json", R"({"ecus": {"X": {"jobs": {"J": {"sets": [[{"name": "R", )"));
        QCOMPARE(apiInit(), 0);
        QCOMPARE(apiErrorCode(), 126);
        const QString error = QString::fromLatin1(apiErrorText());
        QVERIFY2(error.contains("ediabas/ediabas.json") && error.contains("JSON"), qPrintable(error));

        QVERIFY(QFile::remove(wd.filePath("ediabas/ediabas.json")));
        QCOMPARE(apiInit(), 1);
        QCOMPARE(run("X", "J"), 1);  // built-in answers again
        QCOMPARE(text("JOB_STATUS", 1), QStringLiteral("OKAY"));
        apiEnd();
    }

    void builtInAnswers()
    {
        WorkDir wd;
        EdiabasFixture fx;
        QCOMPARE(apiInit(), 1);
        QCOMPARE(run("D_MOTOR", "_JOBS"), 1);
        unsigned short sets = 0;
        apiResultSets(&sets);
        QVERIFY(sets >= 3);
        QCOMPARE(text("JOBNAME", 1), QStringLiteral("INFO"));

        QCOMPARE(run("D_MOTOR", "INITIALISIERUNG"), 1);
        QCOMPARE(text("VARIANTE", 0), QStringLiteral("MSV70"));
        QCOMPARE(run("D_0012", "INITIALISIERUNG"), 3);
        QVERIFY(apiErrorText() != nullptr);

        QCOMPARE(run("MSV70", "STATUS_LMM"), 1);
        double value = -1;
        QCOMPARE(apiResultReal(&value, "STAT_LMM_WERT", 1), 1);
        QVERIFY(value >= 10 && value <= 90);
        QCOMPARE(text("JOB_STATUS", 1), QStringLiteral("OKAY"));

        QCOMPARE(run("MSV70", "SPEICHER_LESEN", "LAR;0x0000FE;4"), 1);
        int format = 0;
        QCOMPARE(apiResultFormat(&format, "DATEN", 1), 1);
        QCOMPARE(format, 7);
        QCOMPARE(text("DATEN", 1), QStringLiteral("FE FF 00 01"));
        apiEnd();
    }

    void handlerSeesArguments()
    {
        WorkDir wd;
        EdiabasFixture fx;
        QVERIFY(fx.load(R"({"ecus": {"MSV70": {"default": {"sets": []}}}})"));
        QStringList seen;
        EdiabasStandIn::setHandler([&seen](const EdiabasStandIn::JobRequest &req, EdiabasStandIn::Response &resp) {
            seen << req.job + ":" + req.arguments;
            EdiabasStandIn::Result r;
            r.name = QStringLiteral("ECHO");
            r.text = req.arguments.toUpper();
            resp.sets = {{r}};
        });
        QCOMPARE(apiInit(), 1);
        QCOMPARE(run("MSV70", "X", "abc"), 1);
        QCOMPARE(text("ECHO", 1), QStringLiteral("ABC"));
        const unsigned char data[] = {'d', 'e'};
        apiJobData("MSV70", "Y", data, 2, "");
        QCOMPARE(text("ECHO", 1), QStringLiteral("DE"));
        QCOMPARE(seen, (QStringList{"X:abc", "Y:de"}));
        apiEnd();
    }

    void brokenScriptsAreRefused_data()
    {
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<QString>("message");
        QTest::newRow("not JSON") << QByteArray("{") << "JSON";
        QTest::newRow("not an object") << QByteArray("[]") << "object";
        QTest::newRow("ecus not an object") << QByteArray(R"({"ecus": 3})") << "ecus";
        QTest::newRow("result without name") << QByteArray(R"({"ecus": {"A": {"default": {"sets": [[{"int": 1}]]}}}})") << "name";
        QTest::newRow("two values") << QByteArray(R"({"ecus": {"A": {"default": {"sets": [[{"name": "R", "int": 1, "text": "x"}]]}}}})") << "exactly one";
        QTest::newRow("bad hex") << QByteArray(R"({"ecus": {"A": {"default": {"sets": [[{"name": "R", "hex": "0G"}]]}}}})") << "hex";
        QTest::newRow("format 9") << QByteArray(R"({"ecus": {"A": {"default": {"sets": [[{"name": "R", "int": 1, "format": 9}]]}}}})") << "format";
        QTest::newRow("negative busy") << QByteArray(R"({"ecus": {"A": {"jobs": {"J": {"busyMs": -1}}}}})") << "busyMs";
        QTest::newRow("error code 0") << QByteArray(R"({"ecus": {"A": {"jobs": {"J": {"error": {"code": 0}}}}}})") << "code";
        QTest::newRow("empty response list") << QByteArray(R"({"ecus": {"A": {"jobs": {"J": []}}}})") << "empty";
        QTest::newRow("unknown generator") << QByteArray(R"({"ecus": {"A": {"jobs": {"J": {"generator": "x"}}}}})") << "generator";
        QTest::newRow("unknown error entry") << QByteArray(R"({"errors": {"other": {"code": 1}}})") << "other";
        QTest::newRow("text not a string") << QByteArray(R"({"ecus": {"A": {"default": {"sets": [[{"name": "R", "text": 1}]]}}}})") << "\"text\" must be a string";
        QTest::newRow("rendering not a string") << QByteArray(R"({"ecus": {"A": {"default": {"sets": [[{"name": "R", "int": 1, "rendering": 2}]]}}}})") << "\"rendering\" must be a string";
        QTest::newRow("variant not a string") << QByteArray(R"({"ecus": {"A": {"variant": 1}}})") << "\"variant\" must be a string";
        QTest::newRow("busy flag not true or false") << QByteArray(R"({"ecus": {"A": {"jobs": {"J": {"busyUntilBroken": 1}}}}})") << "\"busyUntilBroken\" must be true or false";
        QTest::newRow("init fail not true or false") << QByteArray(R"({"init": {"fail": "yes"}})") << "\"fail\" must be true or false";
        QTest::newRow("error code not whole") << QByteArray(R"({"ecus": {"A": {"jobs": {"J": {"error": {"code": 1.5}}}}}})") << "whole number";
        QTest::newRow("error text not a string") << QByteArray(R"({"ecus": {"A": {"jobs": {"J": {"error": {"code": 1, "text": 2}}}}}})") << "\"text\" must be a string";
        QTest::newRow("trace delay too long") << QByteArray(R"({"ecus": {"A": {"jobs": {"J": {"traceDelayMs": 3600001}}}}})") << "\"traceDelayMs\" must be 0 to 3600000 ms";
    }

    void brokenScriptsAreRefused()
    {
        QFETCH(QByteArray, json);
        QFETCH(QString, message);
        EdiabasFixture fx;
        QVERIFY(fx.load(R"({"ecus": {"KEEP": {}}})"));
        QVERIFY(!fx.load(json));
        QVERIFY2(fx.error().contains(message), qPrintable(fx.error()));
    }

    void telegramAnswerBecomesResult()
    {
        WorkDir wd;
        PtyDevice port;
        wd.write("ediabas/obd.ini", "[OBD]\nPort=" + port.slavePath().toLatin1() + "\n");
        EdiabasFixture fx;
        QVERIFY2(fx.load(R"({ "ecus": { "D_MOTOR": { "jobs": { "STATUS_CAN": {
                     "telegram": "82 12 F1 1A 80 1F", "answerResult": "ANSWER",
                     "sets": [[ { "name": "JOB_STATUS", "text": "OKAY" } ]] } } } } })"),
                 qPrintable(fx.error()));
        QCOMPARE(apiInit(), 1);
        apiJob("D_MOTOR", "STATUS_CAN", "", "");
        // The interface: the telegram arrives; echo and answer in pieces.
        QCOMPARE(port.readExactly(6, 2000), QByteArray::fromHex("8212f11a801f"));
        QCOMPARE(apiState(), 0);
        port.write(QByteArray::fromHex("8212f11a801f84f112"));
        QTest::qWait(50);
        QCOMPARE(apiState(), 0);
        port.write(QByteArray::fromHex("5a80010264"));
        unsigned char bytes[64] = {0};
        unsigned short length = 0;
        // The getter waits for the exchange.
        QVERIFY(apiResultBinary(bytes, &length, "ANSWER", 1));
        QCOMPARE(QByteArray(reinterpret_cast<char *>(bytes), length), QByteArray::fromHex("84f1125a80010264"));
        QCOMPARE(apiState(), 1);
        QCOMPARE(text("JOB_STATUS", 1), QStringLiteral("OKAY"));
        QCOMPARE(text("ANSWER", 1), QStringLiteral("84 F1 12 5A 80 01 02 64"));
        apiEnd();
    }

    void telegramFailures_data()
    {
        QTest::addColumn<QByteArray>("reply");  // after the echo
        QTest::addColumn<bool>("portListed");
        QTest::addColumn<QString>("why");
        QTest::newRow("no answer") << QByteArray() << true << "no answer within 150 ms";
        QTest::newRow("half an answer") << QByteArray::fromHex("84f112") << true << "no answer within 150 ms";
        QTest::newRow("wrong check byte") << QByteArray::fromHex("82f1125a8000") << true << "wrong check byte";
        QTest::newRow("no header") << QByteArray::fromHex("7f") << true << "no telegram header";
        QTest::newRow("no port") << QByteArray() << false << "no \"OBD/Port\"";
    }

    void telegramFailures()
    {
        QFETCH(QByteArray, reply);
        QFETCH(bool, portListed);
        QFETCH(QString, why);
        WorkDir wd;
        PtyDevice port;
        if (portListed)
            wd.write("ediabas/obd.ini", "[OBD]\nPort=" + port.slavePath().toLatin1() + "\n");
        EdiabasFixture fx;
        QVERIFY(fx.load(R"({ "ecus": { "D_MOTOR": { "jobs": { "STATUS_CAN": {
                     "telegram": "8212F11A801F", "answerTimeoutMs": 150 } } } } })"));
        QCOMPARE(apiInit(), 1);
        QElapsedTimer t;
        t.start();
        apiJob("D_MOTOR", "STATUS_CAN", "", "");
        if (portListed) {
            QCOMPARE(port.readExactly(6, 2000), QByteArray::fromHex("8212f11a801f"));
            port.write(QByteArray::fromHex("8212f11a801f") + reply);
        }
        int state = apiState();
        while (state == 0 && t.elapsed() < 3000) {
            QTest::qWait(5);
            state = apiState();
        }
        QCOMPARE(state, 3);
        QCOMPARE(apiErrorCode(), 19);
        QVERIFY2(QString::fromLatin1(apiErrorText()).contains(why), apiErrorText());
        apiEnd();
    }

    void invalidHandleCodeIsConfigurable()
    {
        WorkDir wd;
        EdiabasFixture fx;
        QVERIFY(fx.load(R"({"errors": {"invalidHandle": {"code": 999, "text": "gone"}}})"));
        QCOMPARE(__apiState(0), 3);
        QCOMPARE(__apiErrorCode(0), 999);
        char buf[16];
        __apiErrorText(0, buf, sizeof buf);
        QCOMPARE(QByteArray(buf), QByteArray("gone"));
    }
};

QTEST_GUILESS_MAIN(TestEdiabasStandIn)
#include "tst_ediabasstandin.moc"
