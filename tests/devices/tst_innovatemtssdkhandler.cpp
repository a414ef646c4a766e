// The MTS SDK source against the control stand-in: the port chosen by
// name, the connection 2 s after start(), the results per input type and
// function, a connection error that stops the source once with one failed
// job, the SDK missing altogether, and its configuration file broken and
// repaired while it runs.
#include "innovatemtssdkhandler.h"
#include "innovatestandin.h"
#include "innovatetestfiles.h"
#include "resultlookup.h"
#include "workdir.h"

#include <QSignalSpy>
#include <QtTest>

using namespace InnovateTestFiles;

namespace {

// One input of a script.
QString input(const QString &name, int type, int function, const QString &samples, const QString &more = QString())
{
    return QString(R"({"InputName": "%1", "InputType": %2, "InputFunction": %3, "samples": [%4], "InputUnit": "U",
                       "InputDeviceName": "DEV", "InputAFRMultiplier": 14.7, "InputMinValue": 0,
                       "InputMaxValue": 5 %5})")
        .arg(name)
        .arg(type)
        .arg(function)
        .arg(samples)
        .arg(more.isEmpty() ? QString() : ", " + more);
}

QByteArray script(const QStringList &inputs, const QString &ports = R"("MTS-1")", const QString &extra = QString())
{
    return QString(R"({"mts": {"ports": [%1], "intervalMs": 10, "connect": {"delayMs": 1} %3, "inputs": [%2]}})")
        .arg(ports, inputs.join(','), extra.isEmpty() ? QString() : ", " + extra)
        .toUtf8();
}

// "name=value" per result, "name" alone for one without a value.
QStringList shown(const CJob &job)
{
    QStringList list;
    for (const CJobResult &r : job.results) {
        const QString name = QString::fromStdString(r.name);
        list << (r.textValue[0] ? name + "=" + QString::number(r.realValue) : name);
    }
    return list;
}

struct Source
{
    explicit Source(const QString &port = "MTS-1")
        : handler("MTS")
        , jobs(&handler, &InnovateMTSSDKHandler::jobFinished)
    {
        SerialPortSettings s = handler.serialSettings();
        s.name = port;
        handler.setSerialSettings(s);
    }
    // Connects at once; the first sample set's job.
    CJob firstJob()
    {
        handler.startConnect();
        // A failure is told at once, within startConnect.
        if (jobs.isEmpty() && !jobs.wait(2000))
            return CJob();
        return jobs.first().at(0).value<CJob>();
    }
    InnovateMTSSDKHandler handler;
    QSignalSpy jobs;
};

QStringList portWrites()
{
    QStringList writes;
    for (const InnovateStandIn::CallRecord &r : InnovateStandIn::callLog()) {
        if (r.call == "MTS::CurrentPort")
            writes << r.arguments;
        if (r.call == "MTS::Connect")
            writes << "connect " + r.arguments;
    }
    return writes;
}
} // namespace

class TestInnovateMTSSDKHandler : public QObject
{
    Q_OBJECT
private slots:
    void cleanup();
    void results_data();
    void results();
    void samplesInTurn();
    void auxiliaryInputUsesConfiguration();
    void portChosenByName_data();
    void portChosenByName();
    void connectsTwoSecondsAfterStart();
    void connectionErrorStopsOnce();
    void sdkMissing();
    void brokenConfigKeptUntilRepaired();
};

void TestInnovateMTSSDKHandler::cleanup()
{
    InnovateStandIn::reset();
}

void TestInnovateMTSSDKHandler::results_data()
{
    QTest::addColumn<QString>("input");
    QTest::addColumn<QStringList>("results");
    QTest::newRow("aux 1024") << input("IN 1", 2, 9, "1024") << QStringList{"IN 1=5"};
    QTest::newRow("aux 512") << input("IN 1", 2, 9, "512") << QStringList{"IN 1=2.5"};
    QTest::newRow("aux, other function") << input("IN 1", 2, 3, "512") << QStringList{"IN 1_FUNC=3", "IN 1"};
    QTest::newRow("lambda AFR, function 0") << input("W", 1, 0, "500") << QStringList{"W_FUNC=0", "W=14.7"};
    QTest::newRow("lambda AFR, function 1") << input("W", 1, 1, "500") << QStringList{"W_FUNC=1", "W=147"};
    QTest::newRow("lambda AFR, function 2") << input("W", 1, 2, "500") << QStringList{"W_FUNC=2", "W"};
    QTest::newRow("lambda, function 0") << input("L", 0, 0, "600") << QStringList{"L=1.1"};
    QTest::newRow("lambda, function 1") << input("L", 0, 1, "600") << QStringList{"L=11"};
    QTest::newRow("lambda, function 5") << input("L", 0, 5, "600") << QStringList{"L_FUNC=5", "L"};
    QTest::newRow("type 3") << input("X", 3, 4, "1")
                            << QStringList{"X_INPUTTYPE=3", "X_INPUT_FUNC=4", "DEVICE_NAMEDEV=0", "X"};
}

void TestInnovateMTSSDKHandler::results()
{
    QFETCH(QString, input);
    QFETCH(QStringList, results);
    WorkDir wd;
    QVERIFY(loadStandIn(script({input})));
    Source source;
    const CJob job = source.firstJob();
    QCOMPARE(job.jobName, std::string("MTS"));
    QVERIFY(job.timeStamp > 0);
    QCOMPARE(shown(job), results);
    for (const CJobResult &r : job.results) {
        QCOMPARE(r.format, 8);
        QCOMPARE(r.typeName, std::string("real"));
    }
    // The type 3 extra results carry the function in their text.
    if (job.getResultCount() == 4)
        QCOMPARE(job.results.at(0).getTextValue(), std::string("4.000000E+00"));
}

void TestInnovateMTSSDKHandler::samplesInTurn()
{
    WorkDir wd;
    QVERIFY(loadStandIn(script({input("IN 1", 2, 9, "0, 512, 1024"), input("L", 0, 0, "500")})));
    Source source;
    source.handler.startConnect();
    QTRY_VERIFY(source.jobs.count() >= 4);
    QStringList values;
    for (int i = 0; i < 4; ++i)
        values << shown(source.jobs.at(i).at(0).value<CJob>()).join(' ');
    QCOMPARE(values, (QStringList{"IN 1=0 L=1", "IN 1=2.5 L=1", "IN 1=5 L=1", "IN 1=0 L=1"}));
    QCOMPARE(findResult(source.jobs.at(0).at(0).value<CJob>(), "IN 1")->unit, std::string("U"));
}

void TestInnovateMTSSDKHandler::auxiliaryInputUsesConfiguration()
{
    // The input name less its last two characters names the configured
    // device; its input of the input's index gives range and unit.
    WorkDir wd;
    installOwn(wd);
    QVERIFY(loadStandIn(script({input("L", 0, 0, "500"), input("T_1", 2, 9, "1024"), input("T_2", 2, 9, "0"),
                         input("X_1", 2, 9, "1024"), input("T_5", 2, 9, "1024")})));
    Source source;
    const CJob job = source.firstJob();
    QCOMPARE(shown(job), (QStringList{"L=1", "T_1=150", "T_2=-40", "X_1=5", "T_5=5"}));
    QCOMPARE(findResult(job, "T_1")->unit, std::string("degF"));
    QCOMPARE(findResult(job, "T_2")->unit, std::string("degC"));
    // No configured device, or no input of that index: the SDK's values.
    QCOMPARE(findResult(job, "X_1")->unit, std::string("U"));
    QCOMPARE(findResult(job, "T_5")->unit, std::string("U"));
}

void TestInnovateMTSSDKHandler::portChosenByName_data()
{
    QTest::addColumn<QString>("ports");
    QTest::addColumn<QString>("port");
    QTest::addColumn<QStringList>("writes");
    QTest::addColumn<QString>("failure");
    QTest::newRow("second of three") << R"("A", "B", "C")" << "B" << QStringList{"0", "1", "1", "connect B"}
                                     << QString();
    // A port that is not there is said to be so; no other is taken.
    QTest::newRow("not reported") << R"("A", "B", "C")" << "D" << QStringList{"0", "1", "2"}
                                  << "failed to open port D: no such MTS port (the MTS SDK reports A, B, C)";
    QTest::newRow("no port at all") << "" << "A" << QStringList()
                                    << "failed to open port A: no such MTS port (the MTS SDK reports none)";
    // No name: the SDK's own choice, the last port scanned.
    QTest::newRow("no name") << R"("A", "B")" << "" << QStringList{"0", "1", "connect B"} << QString();
}

void TestInnovateMTSSDKHandler::portChosenByName()
{
    QFETCH(QString, ports);
    QFETCH(QString, port);
    QFETCH(QStringList, writes);
    QFETCH(QString, failure);
    WorkDir wd;
    QVERIFY(loadStandIn(script({input("L", 0, 0, "500")}, ports)));
    Source source(port);
    const CJob first = source.firstJob();
    QVERIFY(!first.jobName.empty());
    QCOMPARE(portWrites(), writes);
    if (failure.isEmpty()) {
        QCOMPARE(source.jobs.first().at(1).toInt(), 0);
        QCOMPARE(InnovateStandIn::callCount("MTS::StartData"), 1);
        QVERIFY(source.handler.isRunning());
        return;
    }
    QCOMPARE(source.jobs.count(), 1);
    QCOMPARE(source.jobs.first().at(1).toInt(), 349);
    QCOMPARE(QString::fromStdString(first.errorText), failure);
    QCOMPARE(InnovateStandIn::callCount("MTS::Connect"), 0);
    QVERIFY(!source.handler.isRunning());
}

void TestInnovateMTSSDKHandler::connectsTwoSecondsAfterStart()
{
    WorkDir wd;
    QVERIFY(loadStandIn(script({input("L", 0, 0, "500")})));
    Source started;
    Source stoppedEarly;
    QElapsedTimer t;
    t.start();
    started.handler.start();
    stoppedEarly.handler.start();
    stoppedEarly.handler.stop();
    stoppedEarly.handler.stop();
    QCOMPARE(InnovateStandIn::callCount("MTS::Disconnect"), 1);
    QCOMPARE(InnovateStandIn::callCount("MTS::clear"), 1);
    QTest::qWait(1800);
    QCOMPARE(InnovateStandIn::callCount("MTS::Connect"), 0);
    QTRY_COMPARE_WITH_TIMEOUT(InnovateStandIn::callCount("MTS::Connect"), 1, 1000);
    QVERIFY(t.elapsed() >= 2000);
    QVERIFY(started.jobs.wait(1000));
    QCOMPARE(stoppedEarly.jobs.count(), 0);
    QTest::qWait(100);
    QCOMPARE(InnovateStandIn::callCount("MTS::Connect"), 1);
}

void TestInnovateMTSSDKHandler::connectionErrorStopsOnce()
{
    WorkDir wd;
    // The connection breaks after three sample sets.
    QVERIFY(loadStandIn(script({input("L", 0, 0, "500")}, R"("MTS-1")", R"("connectionErrorAfter": 3)")));
    Source source;
    source.handler.startConnect();
    QTRY_COMPARE(source.jobs.count(), 4);
    QTest::qWait(100);
    QCOMPARE(source.jobs.count(), 4);
    QCOMPARE(source.jobs.at(2).at(1).toInt(), 0);
    const CJob failed = source.jobs.at(3).at(0).value<CJob>();
    QCOMPARE(source.jobs.at(3).at(1).toInt(), 349);
    // It had connected: the connection is lost.
    QCOMPARE(failed.errorText, std::string("port lost: the MTS SDK reports a connection error"));
    QCOMPARE(failed.jobName, std::string("MTS"));
    QVERIFY(!source.handler.isRunning());
    QCOMPARE(InnovateStandIn::callCount("MTS::Disconnect"), 1);
    QCOMPARE(InnovateStandIn::callCount("MTS::clear"), 1);
    // Once stopped, further errors and sample sets change nothing.
    InnovateStandIn::fireConnectionError();
    InnovateStandIn::fireNewData();
    source.handler.stop();
    QCOMPARE(source.jobs.count(), 4);
    QCOMPARE(InnovateStandIn::callCount("MTS::Disconnect"), 1);
}

void TestInnovateMTSSDKHandler::sdkMissing()
{
    WorkDir wd;
    Source source;
    source.handler.startConnect();
    QTRY_COMPARE(source.jobs.count(), 1);
    QCOMPARE(source.jobs.at(0).at(1).toInt(), 349);
    // Said where the user looks, not only on the terminal.
    QCOMPARE(source.jobs.at(0).at(0).value<CJob>().errorText, std::string("MTS SDK not available"));
    QCOMPARE(portWrites(), QStringList());
    QVERIFY(!source.handler.isRunning());
}

void TestInnovateMTSSDKHandler::brokenConfigKeptUntilRepaired()
{
    WorkDir wd;
    installOwn(wd);
    // T_1 is input 1 of the SDK: device T's input 1 (degF) configures it.
    QVERIFY(loadStandIn(script({input("L", 0, 0, "500"), input("T_1", 2, 9, "1024")})));
    Source source;
    QSignalSpy notices(&source.handler, &InnovateMTSSDKHandler::notice);
    auto last = [&source] { return source.jobs.last().at(0).value<CJob>(); };
    QCOMPARE(findResult(source.firstJob(), "T_1")->unit, std::string("degF"));
    // Broken by hand: said once, with the reason; the last good
    // configuration goes on giving range and unit.
    wd.write("config/InputConfigs.xml", "<InputConfigs><InputConfig");
    QTRY_COMPARE_WITH_TIMEOUT(notices.count(), 1, 5000);
    const QString text = notices.at(0).at(0).toString();
    QVERIFY2(text.startsWith("config/InputConfigs.xml does not read: ") && text.contains("the last good one"),
             qPrintable(text));
    const int seen = source.jobs.count();
    QTRY_VERIFY(source.jobs.count() > seen + 3);
    QCOMPARE(notices.count(), 1);
    QCOMPARE(findResult(last(), "T_1")->unit, std::string("degF"));
    QCOMPARE(findResult(last(), "T_1")->realValue, 150.0);
    // Repaired, with another unit: taken, and the notice is emptied.
    wd.write("config/InputConfigs.xml", QByteArray(InputConfigs).replace("unitNum=\"1\">TEMP", "unitNum=\"0\">TEMP"));
    QTRY_COMPARE_WITH_TIMEOUT(notices.count(), 2, 5000);
    QCOMPARE(notices.at(1).at(0).toString(), QString());
    QTRY_COMPARE(findResult(last(), "T_1")->unit, std::string("degC"));
}

QTEST_GUILESS_MAIN(TestInnovateMTSSDKHandler)
#include "tst_innovatemtssdkhandler.moc"
