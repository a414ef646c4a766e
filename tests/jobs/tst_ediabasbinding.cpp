// The binding over the EDIABAS runtime, driven against the stand-in: the
// module-wide state word, handle, callbacks and error-text buffer.
#include "ediabasapi.h"
#include "ediabasfixture.h"
#include "workdir.h"

#include <QtTest>
#include <cstring>

namespace {

int errorCalls = 0;
void countError()
{
    ++errorCalls;
}

int busyAnswer = 0;
int busyCalls = 0;
int busyHandler()
{
    ++busyCalls;
    return busyAnswer;
}

const QByteArray script = R"({
  "ecus": {
    "D_MOTOR": {
      "jobs": {
        "OK":      { "sets": [[ { "name": "WERT", "real": 2.5 }, { "name": "JOB_STATUS", "text": "OKAY" } ]] },
        "FAIL":    { "error": { "code": 19, "text": "IFH: no answer" } },
        "HANG":    { "busyUntilBroken": true },
        "TYPES":   { "sets": [[ { "name": "I", "int": -3 }, { "name": "W", "int": 513, "format": 3 },
                                { "name": "R", "real": 1.25 }, { "name": "T", "text": "12" },
                                { "name": "B", "hex": "00 7F FF" } ]] }
      }
    }
  }
})";

} // namespace

class TestEdiabasBinding : public QObject
{
    Q_OBJECT

private slots:
    // Must stay first: nothing has touched the binding yet.
    void stateWordIsReadyBeforeAnyCall()
    {
        QCOMPARE(apiStateWord(), 1);
        QVERIFY(EdiabasStandIn::callLog().isEmpty());
    }

    void initGivesAFreshHandleEachTime()
    {
        WorkDir wd;
        EdiabasFixture fx;
        QCOMPARE(apiInit(), 1);
        QCOMPARE(apiState(), 1);
        const unsigned int first = EdiabasStandIn::callLog().last().handle;
        QVERIFY(first != 0);
        QCOMPARE(apiInit(), 1);
        apiState();
        const unsigned int second = EdiabasStandIn::callLog().last().handle;
        QVERIFY(second != first);
        // The old handle is stale now.
        QCOMPARE(__apiState(first), 3);
        QCOMPARE(__apiErrorCode(first), 133);
        apiEnd();
        QCOMPARE(apiState(), 3);
        QCOMPARE(apiErrorCode(), 133);
        QVERIFY(apiErrorText() != nullptr);
    }

    void endBreaksABusyJob()
    {
        WorkDir wd;
        EdiabasFixture fx;
        QVERIFY2(fx.load(script), qPrintable(fx.error()));
        QCOMPARE(apiInit(), 1);
        apiJob("D_MOTOR", "HANG", "", "");
        QCOMPARE(apiStateWord(), 0);
        EdiabasStandIn::clearCallLog();
        apiEnd();
        QCOMPARE(apiStateWord(), 2);
        QStringList calls = EdiabasFixture::calls();
        calls.removeAll("__apiErrorCode");  // the binding's error checks
        QCOMPARE(calls, (QStringList{"__apiState", "__apiBreak", "__apiEnd"}));
        // Ending again is harmless, and a new session starts cleanly.
        apiEnd();
        QCOMPARE(apiInit(), 1);
        QCOMPARE(apiStateWord(), 1);
        apiEnd();
    }

    void errorTextIsNullWhenEmpty()
    {
        WorkDir wd;
        EdiabasFixture fx;
        QVERIFY(fx.load(script));
        QCOMPARE(apiInit(), 1);
        apiJob("D_MOTOR", "OK", "", "");
        QCOMPARE(apiState(), 1);
        QCOMPARE(apiErrorCode(), 0);
        QVERIFY(apiErrorText() == nullptr);

        apiJob("D_MOTOR", "FAIL", "", "");
        QCOMPARE(apiState(), 3);
        QCOMPARE(apiErrorCode(), 19);
        const char *text = apiErrorText();
        QVERIFY(text != nullptr);
        QCOMPARE(QByteArray(text), QByteArray("IFH: no answer"));

        // A new job clears the error again.
        apiJob("D_MOTOR", "OK", "", "");
        QCOMPARE(apiState(), 1);
        QVERIFY(apiErrorText() == nullptr);
        apiEnd();
    }

    void errorCallbackOncePerJob()
    {
        WorkDir wd;
        EdiabasFixture fx;
        QVERIFY(fx.load(script));
        QCOMPARE(apiInit(), 1);
        errorCalls = 0;
        apiSetErrorCallback(countError);

        apiJob("D_MOTOR", "OK", "", "");
        QCOMPARE(apiState(), 1);
        QCOMPARE(errorCalls, 0);
        char text[APIMAXTEXT];
        QCOMPARE(apiResultText(text, "MISSING", 1, ""), 0);
        QCOMPARE(errorCalls, 1);
        QCOMPARE(apiResultText(text, "OTHER", 1, ""), 0);
        QCOMPARE(apiResultNumber(nullptr, 9), 0);
        QCOMPARE(errorCalls, 1);

        // apiJob re-arms it; a job that fails at once reports through apiJob.
        apiJob("D_MOTOR", "FAIL", "", "");
        QCOMPARE(errorCalls, 2);
        apiState();
        QCOMPARE(errorCalls, 2);

        // apiInit clears the callback.
        QCOMPARE(apiInit(), 1);
        apiJob("D_MOTOR", "FAIL", "", "");
        QCOMPARE(errorCalls, 2);
        apiEnd();
    }

    void busyCallbackBreaksTheJob_data()
    {
        QTest::addColumn<int>("answer");
        QTest::addColumn<int>("state");
        QTest::newRow("answers 0: stays busy") << 0 << 0;
        QTest::newRow("answers 1: broken") << 1 << 2;
    }

    void busyCallbackBreaksTheJob()
    {
        QFETCH(int, answer);
        QFETCH(int, state);
        WorkDir wd;
        EdiabasFixture fx;
        QVERIFY(fx.load(script));
        QCOMPARE(apiInit(), 1);
        busyAnswer = answer;
        busyCalls = 0;
        apiSetBusyCallback(busyHandler);
        apiJob("D_MOTOR", "HANG", "", "");
        QCOMPARE(busyCalls, 1);  // apiJob asks the state once
        QCOMPARE(apiStateWord(), state);
        QCOMPARE(apiState(), state);
        QCOMPARE(EdiabasFixture::count("__apiBreak") >= 1, answer != 0);
        apiEnd();
    }

    void initCanBeScriptedToFail()
    {
        WorkDir wd;
        EdiabasFixture fx;
        QVERIFY(fx.load(R"({"init": {"fail": true, "code": 126, "text": "no interface"}})"));
        QCOMPARE(apiInit(), 0);
        QCOMPARE(apiErrorCode(), 126);
        QCOMPARE(QByteArray(apiErrorText()), QByteArray("no interface"));
        apiJob("D_MOTOR", "OK", "", "");
        QCOMPARE(apiState(), 3);
        QCOMPARE(apiErrorCode(), 133);
    }

    void configurationKeepsValues()
    {
        WorkDir wd;
        EdiabasFixture fx;
        QCOMPARE(apiInit(), 1);
        char value[APIMAXCONFIG];
        QCOMPARE(apiGetConfig("IfhTrace", value), 1);
        QCOMPARE(QByteArray(value), QByteArray("0"));
        QCOMPARE(apiSetConfig("ApiTrace", "3"), 1);
        QCOMPARE(apiSetConfig("TaskPriority", "9"), 1);
        QCOMPARE(apiGetConfig("APITRACE", value), 1);
        QCOMPARE(QByteArray(value), QByteArray("3"));
        QCOMPARE(apiGetConfig("TaskPriority", value), 1);
        QCOMPARE(QByteArray(value), QByteArray("9"));
        QCOMPARE(apiGetConfig("NoSuchKey", value), 0);
        QCOMPARE(QByteArray(value), QByteArray());
        apiEnd();
        QCOMPARE(apiSetConfig("ApiTrace", "1"), 0);
    }

    void typedGettersConvert()
    {
        WorkDir wd;
        EdiabasFixture fx;
        QVERIFY(fx.load(script));
        QCOMPARE(apiInit(), 1);
        apiJob("D_MOTOR", "TYPES", "", "");
        short i = 0;
        unsigned short w = 0;
        double r = 0;
        int32_t l = 0;
        int format = -1;
        QCOMPARE(apiResultInt(&i, "I", 1), 1);
        QCOMPARE(i, short(-3));
        QCOMPARE(apiResultWord(&w, "w", 1), 1);  // names ignore case
        QCOMPARE(w, (unsigned short)513);
        QCOMPARE(apiResultFormat(&format, "W", 1), 1);
        QCOMPARE(format, 3);
        QCOMPARE(apiResultReal(&r, "R", 1), 1);
        QCOMPARE(r, 1.25);
        QCOMPARE(apiResultLong(&l, "T", 1), 1);
        QCOMPARE(l, 12);
        unsigned char bytes[APIMAXBINARY];
        unsigned short len = 0;
        QCOMPARE(apiResultBinary(bytes, &len, "B", 1), 1);
        QCOMPARE(QByteArray(reinterpret_cast<char *>(bytes), len), QByteArray::fromHex("007FFF"));
        char text[APIMAXTEXT];
        QCOMPARE(apiResultText(text, "B", 1, ""), 1);
        QCOMPARE(QByteArray(text), QByteArray("00 7F FF"));
        QCOMPARE(apiResultText(text, "R", 1, ""), 1);
        QCOMPARE(QByteArray(text), QByteArray("1.25"));
        QCOMPARE(apiResultReal(&r, "B", 1), 0);  // bytes are no number
        QCOMPARE(apiErrorCode(), 134);
        char var[APIMAXNAME];
        QCOMPARE(apiResultVar(var), 1);
        QCOMPARE(QByteArray(var), QByteArray("D_MOTOR"));
        apiEnd();
    }
};

QTEST_GUILESS_MAIN(TestEdiabasBinding)
#include "tst_ediabasbinding.moc"
