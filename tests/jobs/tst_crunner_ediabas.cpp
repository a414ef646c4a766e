// The runner's EDIABAS way against the stand-in runtime: what it asks the
// runtime, how results of every format come back, errors, the block
// rewrite, aliases, the busy wait, and how EDIABAS and serial use take
// turns. The stand-in's job handler plays the ECUs.
#include "crunner.h"
#include "ediabasapi.h"
#include "ediabassessionlock.h"
#include "ediabasstandin.h"
#include "jobqueue.h"
#include "logcapture.h"
#include "ptydevice.h"
#include "resultlookup.h"
#include "scriptedecu.h"
#include "workdir.h"

#include <QElapsedTimer>
#include <mutex>
#include <QSettings>
#include <QtTest>
#include <atomic>
#include <memory>
#include <thread>

using namespace EdiabasStandIn;

namespace {
Result result(const char *name, int format, Result::Kind kind)
{
    Result r;
    r.name = QString::fromLatin1(name);
    r.format = format;
    r.kind = kind;
    return r;
}

Result realResult(const char *name, double v)
{
    Result r = result(name, 8, Result::Real);
    r.real = v;
    return r;
}

// The stand-in answers every job with `response`, and remembers the
// requests it saw.
struct Ecus
{
    std::mutex mutex;
    QList<JobRequest> requests;
    Response response;

    void install()
    {
        setHandler([this](const JobRequest &req, Response &out) {
            std::lock_guard<std::mutex> lock(mutex);
            requests << req;
            out = response;
        });
    }
    QStringList arguments()
    {
        std::lock_guard<std::mutex> lock(mutex);
        QStringList a;
        for (const JobRequest &r : requests)
            a << r.arguments;
        return a;
    }
};

QStringList callArguments(const char *name)
{
    QStringList a;
    for (const CallRecord &c : callLog())
        if (c.call == QLatin1String(name))
            a << c.arguments;
    return a;
}

int calls(const char *name)
{
    int n = 0;
    for (const CallRecord &c : callLog())
        if (c.call == QLatin1String(name))
            ++n;
    return n;
}

// Runs a job that stays busy until it is broken, on a worker thread; `done`
// turns true when the runner gives it back.
std::thread startHangingJob(CRunner &runner, std::atomic<bool> &done)
{
    return std::thread([&runner, &done] {
        CJob job("D_MOTOR", "STATUS_HANGS");
        runner.runJob(job);
        done = true;
    });
}
} // namespace

class TestCRunnerEdiabas : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void argumentsPassed_data();
    void argumentsPassed();
    void resultFormats();
    void longBinaryCut();
    void errorCodeAndText();
    void blockRewrite_data();
    void blockRewrite();
    void aliasesChain();
    void customExpressionsSeeAliases();
    void customExpressionsSeeEveryFormat_data();
    void customExpressionsSeeEveryFormat();
    void stopEndsBusyWait();
    void stopEdiabasBreaksBusyJob();
    void startAfterPlainApiEnd();
    void negativePauseIsNoPause();
    void pauseClampLogged();
    void failedStartNamesItsReason();
    void ediabasSerialEdiabas();
    void secondRunnerSharesSession();
    void twoRunnersNeverOverlap();

private:
    std::unique_ptr<WorkDir> wd;
    std::unique_ptr<Ecus> ecus;
};

void TestCRunnerEdiabas::init()
{
    wd = std::make_unique<WorkDir>();
    reset();
    ecus = std::make_unique<Ecus>();
    ecus->install();
}

void TestCRunnerEdiabas::cleanup()
{
    setHandler(nullptr);
    reset();
    ecus.reset();
    JobQueue::destroy();
    wd.reset();
}

void TestCRunnerEdiabas::argumentsPassed_data()
{
    QTest::addColumn<QString>("arguments");
    QTest::newRow("none") << QString();
    QTest::newRow("two") << QString("1;JA");
}

void TestCRunnerEdiabas::argumentsPassed()
{
    QFETCH(QString, arguments);
    ecus->response.sets = {ResultSet{realResult("R", 1.5)}};
    CRunner runner;
    CJob job("D_MOTOR", "STATUS_X");
    job.arguments = arguments.toStdString();
    QCOMPARE(runner.runJob(job), 0);
    QCOMPARE(ecus->requests.size(), 1);
    QCOMPARE(ecus->requests[0].ecu, QString("D_MOTOR"));
    QCOMPARE(ecus->requests[0].job, QString("STATUS_X"));
    QCOMPARE(ecus->requests[0].arguments, arguments);
    // Empty arguments and result filter are passed as "", never as null.
    QCOMPARE(callArguments("__apiJob"),
             QStringList{QString("'D_MOTOR', 'STATUS_X', '%1', ''").arg(arguments)});
    QCOMPARE(calls("__apiInit"), 1);
    QCOMPARE(job.getResultCount(), 1);
    QVERIFY(runner.holdsEdiabas());
}

void TestCRunnerEdiabas::resultFormats()
{
    ResultSet set;
    const char *names[] = {"C", "B", "I", "W", "L", "D", "T", "BIN", "R"};
    for (int f = 0; f <= 8; ++f) {
        Result r = result(names[f], f, Result::Integer);
        r.integer = 40 + f;
        set << r;
    }
    set[6].kind = Result::Text;
    set[6].text = "hello";
    set[7].kind = Result::Bytes;
    set[7].bytes = QByteArray("\x0A\x0B\xFF", 3);
    set[8].kind = Result::Real;
    set[8].real = -12.25;
    set[2].integer = -300;
    ecus->response.sets = {set};

    CRunner runner;
    CJob job("D_MOTOR", "STATUS_ALL");
    const qint64 before = QDateTime::currentMSecsSinceEpoch();
    QCOMPARE(runner.runJob(job), 0);
    QCOMPARE(job.getResultCount(), 9);
    const char *types[] = {"char", "byte", "integer", "word", "long", "dword", "text", "binary", "real"};
    for (int f = 0; f <= 8; ++f) {
        const CJobResult &r = job.resultAt(f);
        QCOMPARE(r.name, std::string(names[f]));
        QCOMPARE(r.displayName, std::string(names[f])); // no catalogue: the name
        QCOMPARE(r.format, f);
        QCOMPARE(r.typeName, std::string(types[f]));
    }
    QCOMPARE(int(job.resultAt(2).intValue), -300);
    QCOMPARE(job.resultAt(6).getTextValue(), std::string("hello"));
    QCOMPARE(job.resultAt(7).getTextValue(), std::string("0A0BFF"));
    QCOMPARE(job.resultAt(8).realValue, -12.25);
    QVERIFY(job.timeStamp >= before);
    QVERIFY(job.duration >= 0);
}

void TestCRunnerEdiabas::longBinaryCut()
{
    Result bin = result("DATEN", 7, Result::Bytes);
    bin.bytes = QByteArray(600, '\xAB');
    ecus->response.sets = {ResultSet{bin}};
    CRunner runner;
    CJob job("D_MOTOR", "SPEICHER_LESEN");
    QCOMPARE(runner.runJob(job), 0);
    const std::string text = job.resultAt(0).getTextValue();
    QCOMPARE(int(text.size()), 1022);
    QCOMPARE(text.substr(0, 4), std::string("ABAB"));
}

void TestCRunnerEdiabas::errorCodeAndText()
{
    ecus->response.errorCode = 19;
    ecus->response.errorText = "IFH-0009: NO RESPONSE FROM CONTROLUNIT";
    CRunner runner;
    QList<int> announced;
    connect(&runner, &CRunner::jobFinished, this, [&](const CJob &, int rc) { announced << rc; });
    CJob job("D_MOTOR", "STATUS_X");
    QCOMPARE(runner.runJob(job), 19);
    QCOMPARE(job.errorText, std::string("IFH-0009: NO RESPONSE FROM CONTROLUNIT"));
    QCOMPARE(job.getResultCount(), 0);
    QCOMPARE(announced, QList<int>{19});

    // A job without an error leaves the text as it was.
    ecus->response = Response();
    ecus->response.sets = {ResultSet{realResult("R", 1)}};
    job.errorText = "earlier";
    QCOMPARE(runner.runJob(job), 0);
    QCOMPARE(job.errorText, std::string("earlier"));
}

void TestCRunnerEdiabas::blockRewrite_data()
{
    QTest::addColumn<QString>("jobName");
    QTest::addColumn<QString>("arguments");
    QTest::addColumn<QString>("rewritten");
    QTest::addColumn<QByteArray>("ini"); // kelvo.ini, none when empty
    QTest::newRow("messwertblock") << "STATUS_MESSWERTBLOCK_LESEN" << "3;RPM;TEMP" << "2;RPM;TEMP" << QByteArray();
    QTest::newRow("block") << "STATUS_BLOCK_LESEN" << "1;JA;ARG" << "1;NEIN;ARG" << QByteArray();
    QTest::newRow("block too short") << "STATUS_BLOCK_LESEN" << "1;JA;" << "1;JA;" << QByteArray();
    QTest::newRow("other job") << "STATUS_LESEN" << "3;RPM" << "3;RPM" << QByteArray();
    QTest::newRow("turned off") << "STATUS_BLOCK_LESEN" << "1;JA;ARG" << "1;JA;ARG"
                                << QByteArray("[customjob]\nclear_mw_block=0\n");
    // A blank setting is no 0: the default (on) holds.
    QTest::newRow("blank setting") << "STATUS_BLOCK_LESEN" << "1;JA;ARG" << "1;NEIN;ARG"
                                   << QByteArray("[customjob]\nclear_mw_block= \n");
}

void TestCRunnerEdiabas::blockRewrite()
{
    QFETCH(QString, jobName);
    QFETCH(QString, arguments);
    QFETCH(QString, rewritten);
    QFETCH(QByteArray, ini);
    if (!ini.isEmpty())
        wd->write("kelvo.ini", ini);
    CRunner runner;
    JobQueue *queue = JobQueue::instance();
    connect(queue, &JobQueue::statusChanged, &runner, &CRunner::onJobQueueStatusChanged, Qt::DirectConnection);
    CJob queued("D_MOTOR", jobName.toStdString());
    queued.arguments = arguments.toStdString();
    QVERIFY(queue->addJob(queued));
    for (int i = 0; i < 5; ++i) {
        CJob run = queue->job(JobQueue::jobKey(queued));
        runner.runJob(run);
    }
    // Queued again: counting starts over.
    queue->removeJob(queued);
    QVERIFY(queue->addJob(queued));
    CJob run = queue->job(JobQueue::jobKey(queued));
    runner.runJob(run);
    QCOMPARE(ecus->arguments(), QStringList({arguments, arguments, arguments, rewritten, rewritten, arguments}));
    QCOMPARE(queue->job(JobQueue::jobKey(queued)).arguments, arguments.toStdString());
}

void TestCRunnerEdiabas::aliasesChain()
{
    ecus->response.sets = {ResultSet{realResult("a", 1), realResult("x", 2), realResult("b", 3)}};
    CRunner runner;
    CJob job("D_MOTOR", "STATUS_X");
    job.resultAliases = "a=b;;b=c;nomatch=z;single";
    QCOMPARE(runner.runJob(job), 0);
    QCOMPARE(job.getResultCount(), 3);
    QCOMPARE(job.resultAt(0).name, std::string("c"));
    QCOMPARE(job.resultAt(1).name, std::string("x"));
    QCOMPARE(job.resultAt(2).name, std::string("c"));
    // The display name keeps the translation of the original name.
    QCOMPARE(job.resultAt(0).displayName, std::string("a"));
}

void TestCRunnerEdiabas::customExpressionsSeeAliases()
{
    wd->write("config/customexpressions.xml",
              "<customexpressions><customexpression><ecu>D_MOTOR</ecu><job>STATUS_X</job>"
              "<result><name>N2</name><expression>N*2</expression></result>"
              "</customexpression></customexpressions>");
    ecus->response.sets = {ResultSet{realResult("RPM", 1500)}};
    CRunner runner;
    CJob job("D_MOTOR", "STATUS_X");
    job.resultAliases = "RPM=N";
    QCOMPARE(runner.runJob(job), 0);
    const CJobResult *n2 = findResult(job, "N2");
    QVERIFY(n2);
    QCOMPARE(n2->realValue, 3000.0);
    QCOMPARE(n2->typeName, std::string("real"));
}

void TestCRunnerEdiabas::customExpressionsSeeEveryFormat_data()
{
    QTest::addColumn<int>("format");
    QTest::addColumn<qint64>("value");
    QTest::addColumn<double>("twice");
    QTest::newRow("char") << 0 << qint64(-5) << -10.0;
    QTest::newRow("byte") << 1 << qint64(200) << 400.0;
    QTest::newRow("integer") << 2 << qint64(-300) << -600.0;
    QTest::newRow("word") << 3 << qint64(40000) << 80000.0;
    QTest::newRow("long") << 4 << qint64(-100000) << -200000.0;
    QTest::newRow("dword") << 5 << qint64(3000000000LL) << 6000000000.0;
    QTest::newRow("real") << 8 << qint64(25) << 50.0;
}

void TestCRunnerEdiabas::customExpressionsSeeEveryFormat()
{
    QFETCH(int, format);
    QFETCH(qint64, value);
    QFETCH(double, twice);
    wd->write("config/customexpressions.xml",
              "<customexpressions><customexpression><ecu>D_MOTOR</ecu><job>STATUS_X</job>"
              "<result><name>TWICE</name><expression>WORDV*2</expression></result>"
              "</customexpression></customexpressions>");
    Result r = result("WORDV", format, format == 8 ? Result::Real : Result::Integer);
    r.integer = value;
    r.real = double(value);
    // The text carries a unit, as ECU descriptions often render it: the
    // formula must see the number itself.
    r.rendering = QString::number(value) + QStringLiteral(" rpm");
    ecus->response.sets = {ResultSet{r}};
    CRunner runner;
    CJob job("D_MOTOR", "STATUS_X");
    QCOMPARE(runner.runJob(job), 0);
    QCOMPARE(job.getResultCount(), 2);
    QCOMPARE(job.resultAt(0).realValue, double(value));
    const CJobResult *out = findResult(job, "TWICE");
    QVERIFY(out);
    QCOMPARE(out->realValue, twice);
    QCOMPARE(QByteArray(out->textValue), QString::asprintf("%E", twice).toLatin1());
}

void TestCRunnerEdiabas::stopEndsBusyWait()
{
    QSettings("kelvo.ini", QSettings::IniFormat).setValue("serial/waitbusy", 1);
    ecus->response.busyUntilBroken = true;
    CRunner runner;
    std::atomic<bool> done{false};
    std::thread worker = startHangingJob(runner, done);
    QTest::qWait(300);
    QVERIFY(!done);
    QElapsedTimer t;
    t.start();
    runner.stop();
    while (!done && t.elapsed() < 5000)
        QThread::msleep(5);
    const bool ended = done;
    if (!ended)
        reset(); // ends the hanging job so that the thread can be joined
    worker.join();
    QVERIFY(ended);
    QVERIFY2(t.elapsed() < 3000, qPrintable(QString::number(t.elapsed())));
}

void TestCRunnerEdiabas::stopEdiabasBreaksBusyJob()
{
    QSettings("kelvo.ini", QSettings::IniFormat).setValue("serial/waitbusy", 1);
    ecus->response.busyUntilBroken = true;
    CRunner runner;
    std::atomic<bool> done{false};
    std::thread worker = startHangingJob(runner, done);
    QTest::qWait(300);
    QVERIFY(!done);
    // "Stop EDIABAS" from the main thread gets through to the hanging job.
    CRunner::endEdiabas();
    worker.join();
    QCOMPARE(calls("__apiEnd"), 1);
    QVERIFY(!CRunner::ediabasActive());

    // Jobs fail until "Start EDIABAS" brings it back.
    ecus->response = Response();
    ecus->response.sets = {ResultSet{realResult("R", 1)}};
    CJob job("D_MOTOR", "STATUS_X");
    QVERIFY(runner.runJob(job) != 0);
    QVERIFY(CRunner::initEdiabas());
    QCOMPARE(runner.runJob(job), 0);
    QCOMPARE(job.getResultCount(), 1);
    QCOMPARE(calls("__apiInit"), 2);
}

void TestCRunnerEdiabas::startAfterPlainApiEnd()
{
    ecus->response.sets = {ResultSet{realResult("R", 1)}};
    CRunner runner;
    CJob job("D_MOTOR", "STATUS_X");
    QCOMPARE(runner.runJob(job), 0);
    QVERIFY(CRunner::initEdiabas()); // running: nothing to do
    QCOMPARE(calls("__apiInit"), 1);
    {
        // Ended through the binding directly, not through the runner.
        EdiabasSessionLock lock;
        apiEnd();
    }
    QVERIFY(runner.runJob(job) != 0);
    QVERIFY(CRunner::initEdiabas());
    QCOMPARE(calls("__apiInit"), 2);
    QCOMPARE(runner.runJob(job), 0);
}

void TestCRunnerEdiabas::negativePauseIsNoPause()
{
    QSettings("kelvo.ini", QSettings::IniFormat).setValue("ediabas/pause_after_job", -1);
    ecus->response.sets = {ResultSet{realResult("R", 1)}};
    CRunner runner;
    CJob job("D_MOTOR", "STATUS_X");
    QElapsedTimer t;
    t.start();
    QCOMPARE(runner.runJob(job), 0);
    QVERIFY(t.elapsed() < 5000);
}

void TestCRunnerEdiabas::pauseClampLogged()
{
    {
        QSettings ini("kelvo.ini", QSettings::IniFormat);
        ini.setValue("serial/pause_after", 60000);
        ini.setValue("serial/pause_read", -1);
        ini.setValue("serial/pause_before", "soon");
        ini.setValue("ediabas/pause_after_job", 0);
    }
    LogCapture log("runner");
    ecus->response.sets = {ResultSet{realResult("R", 1)}};
    CRunner runner;
    CJob job("D_MOTOR", "STATUS_X");
    QCOMPARE(runner.runJob(job), 0);
    QCOMPARE(runner.runJob(job), 0);
    const QStringList lines = log.lines();
    QCOMPARE(log.count("serial/pause_after"), 1);
    QVERIFY2(log.contains("kelvo.ini serial/pause_after: read '60000', used 10000 ms"), qPrintable(lines.join('\n')));
    QVERIFY(log.contains("kelvo.ini serial/pause_read: read '-1', used 0 ms"));
    QVERIFY(log.contains("kelvo.ini serial/pause_before: read 'soon', used 0 ms"));
    // A value used as written says nothing.
    QCOMPARE(log.count("ediabas/pause_after_job"), 0);
    for (const QString &line : lines)
        if (line.contains("kelvo.ini"))
            QVERIFY2(line.startsWith("WARN "), qPrintable(line));
}

void TestCRunnerEdiabas::failedStartNamesItsReason()
{
    // A script file cut short: the runtime refuses to start and says why.
    wd->write("ediabas/ediabas.json", R"({"ecus": {"D_MOTOR": {"default": {"sets": [[)");
    LogCapture log("runner");
    QTest::ignoreMessage(QtWarningMsg,
                         QRegularExpression("^apiInit not OK: error 126: ediabas/ediabas\\.json: .+"));
    CRunner runner;
    for (int run = 0; run < 2; ++run) {
        // Every job, not only the first, names the reason.
        CJob job("D_MOTOR", "STATUS_X");
        QCOMPARE(runner.runJob(job), 126);
        QVERIFY2(QString::fromStdString(job.errorText).startsWith("EDIABAS did not start: ediabas/ediabas.json: "),
                 job.errorText.c_str());
        QVERIFY2(!QString::fromStdString(job.errorText).contains("handle"), job.errorText.c_str());
    }
    QCOMPARE(log.count("apiInit not OK: error 126: ediabas/ediabas.json: "), 1);

    // Mended, "Start EDIABAS" starts it and the jobs run again.
    QVERIFY(QFile::remove(wd->filePath("ediabas/ediabas.json")));
    ecus->response.sets = {ResultSet{realResult("R", 1)}};
    QVERIFY(CRunner::initEdiabas());
    CJob job("D_MOTOR", "STATUS_X");
    QCOMPARE(runner.runJob(job), 0);
    QVERIFY(job.errorText.empty());

    // Stopped on purpose: the jobs say so, not the old reason.
    CRunner::endEdiabas();
    QVERIFY(runner.runJob(job) != 0);
    QVERIFY2(!QString::fromStdString(job.errorText).contains("did not start"), job.errorText.c_str());
}

void TestCRunnerEdiabas::ediabasSerialEdiabas()
{
    wd->write("ecudata/BMSS501_DATATABLE", "");
    PtyDevice dev;
    ScriptedEcu ecu(dev);
    QByteArray reply(41, '\0');
    reply[0] = 0x12;
    reply[1] = 42;
    ecu.on(ScriptedEcu::hex("12050B03"), EcuAnswer::reply(ScriptedEcu::withCheck(reply, ScriptedEcu::Check::Xor)));
    ecu.start();
    {
        QSettings ini("kelvo.ini", QSettings::IniFormat);
        ini.setValue("serial/port", dev.slavePath());
    }
    ecus->response.sets = {ResultSet{realResult("R", 1)}};
    {
        CRunner runner;
        CJob ed("D_MOTOR", "STATUS_X");
        CJob serial("BMSS501_SERIAL", "STATUS_MOTOR");
        serial.telegram = "12050B03";
        QCOMPARE(runner.runJob(ed), 0);
        QCOMPARE(runner.runJob(serial), 0);
        QVERIFY(runner.isSerialMode());
        QVERIFY(!runner.holdsEdiabas());
        QCOMPARE(runner.runJob(serial), 0);
        CJob ed2 = ed;
        QCOMPARE(runner.runJob(ed2), 0);
        QVERIFY(!runner.isSerialMode());
        QCOMPARE(ed2.getResultCount(), 1);
        QCOMPARE(calls("__apiEnd"), 1);
        QCOMPARE(calls("__apiInit"), 2);
        QCOMPARE(ecu.requests().size(), 2);
    }
    QCOMPARE(calls("__apiEnd"), 2);
}

void TestCRunnerEdiabas::secondRunnerSharesSession()
{
    ecus->response.sets = {ResultSet{realResult("R", 1)}};
    auto main = std::make_unique<CRunner>();
    CJob job("D_MOTOR", "STATUS_X");
    QCOMPARE(main->runJob(job), 0);
    {
        CRunner tool;
        CJob other("D_MOTOR", "STATUS_Y");
        QCOMPARE(tool.runJob(other), 0);
        QCOMPARE(CRunner::ediabasUsers(), 2);
        QVERIFY(CRunner::initEdiabas()); // "Start EDIABAS" while it runs
    }
    // The tool's runner neither re-initialised nor ended EDIABAS.
    QCOMPARE(calls("__apiInit"), 1);
    QCOMPARE(calls("__apiEnd"), 0);
    QCOMPARE(main->runJob(job), 0);
    QCOMPARE(job.getResultCount(), 1);
    main.reset();
    QCOMPARE(calls("__apiEnd"), 1);
    QVERIFY(!CRunner::ediabasActive());
}

void TestCRunnerEdiabas::twoRunnersNeverOverlap()
{
    ecus->response.sets = {ResultSet{realResult("R", 1), realResult("S", 2)}};
    ecus->response.busyMs = 2;
    CRunner a, b;
    std::atomic<int> failures{0};
    auto loop = [&failures](CRunner *r, const char *name) {
        for (int i = 0; i < 40; ++i) {
            CJob job("D_MOTOR", name);
            if (r->runJob(job) != 0 || job.getResultCount() != 2)
                ++failures;
        }
    };
    std::thread t1(loop, &a, "STATUS_A");
    std::thread t2(loop, &b, "STATUS_B");
    t1.join();
    t2.join();
    QCOMPARE(failures.load(), 0);
    QCOMPARE(overlaps().size(), 0);
}

QTEST_GUILESS_MAIN(TestCRunnerEdiabas)
#include "tst_crunner_ediabas.moc"
