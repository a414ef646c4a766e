// The trace run against the EDIABAS stand-in, driven from the trace window:
// the trace log's records in order, the captured slices of the interface
// trace, failures on every way out, and a main runner using EDIABAS at the
// same time.
#include "crunner.h"
#include "debugform.h"
#include "debugutils.h"
#include "ediabasapi.h"
#include "ediabasfixture.h"
#include "ediabasrunnerloop.h"
#include "ediabassessionlock.h"
#include "kelvolog.h"
#include "guitestmain.h"
#include "workdir.h"

#include <QLineEdit>
#include <QLoggingCategory>
#include <QPushButton>
#include <QRegularExpression>
#include <QTextBlock>
#include <QTextEdit>
#include <QTimer>
#include <QtTest>

#include <log4cplus/appender.h>
#include <log4cplus/logger.h>
#include <log4cplus/spi/loggingevent.h>
#include <mutex>

namespace {

const QByteArray script = R"({
  "ecus": {
    "D_MOTOR": {
      "default": { "sets": [ [ { "name": "JOB_STATUS", "text": "OKAY" } ] ] },
      "jobs": {
        "_JOBS": { "sets": [ [ { "name": "JOBNAME", "text": "STATUS_A" } ], [ { "name": "JOBNAME", "text": "X_LESEN" } ],
                             [ { "name": "JOBNAME", "text": "OTHER" } ], [ { "name": "JOBNAME", "text": "status_b" } ] ] },
        "IDENT": { "trace": [ "l1", "l2" ],
                   "sets": [ [ { "name": "ID", "text": "7551" }, { "name": "JOB_STATUS", "text": "OKAY" } ] ] },
        "INFO": { "trace": [ "info late" ], "traceDelayMs": 600,
                  "sets": [ [ { "name": "JOB_STATUS", "text": "OKAY" } ] ] },
        "FS_QUICK_LESEN": { "error": { "code": 19, "text": "IFH-0009: no answer" } },
        "HANG": { "busyUntilBroken": true }
      }
    },
    "D_OTHER": { "default": { "busyMs": 5, "sets": [ [ { "name": "STAT_WERT", "real": 1.5 } ] ] } }
  }
})";

const QByteArray customJobs = R"(<?xml version="1.0" encoding="UTF-8"?>
<customjobs>
    <customjob ecu="D_MOTOR">
        <jobname>STATUS_CUSTOM</jobname>
        <virtualname>MY_VALUES</virtualname>
        <comment>Custom comment</comment>
        <argument>1;2</argument>
    </customjob>
    <customjob ecu="D_OTHER">
        <jobname>STATUS_ELSEWHERE</jobname>
        <virtualname>NOT_MINE</virtualname>
        <comment>not traced</comment>
        <argument></argument>
    </customjob>
</customjobs>
)";

QString rec(const QString &name, const QString &text, const QString &type)
{
    return QStringLiteral("'%1','%2','%3'\n").arg(name, text, type);
}

// Set 0 as the stand-in fills it for D_MOTOR.
QString set0(const QString &job, int sets, const QString &status)
{
    return rec("VARIANTE", "D_MOTOR", "text") + rec("OBJECT", "d_motor", "text") + rec("JOBNAME", job, "text")
           + rec("SAETZE", QString::number(sets), "word") + rec("JOBSTATUS", status, "text");
}

QString defaultTrace(const QString &ecu, const QString &job, const QString &args = QString(),
                     const QString &end = "1 result sets")
{
    return QStringLiteral("IFH job start: %1.%2\nIFH arguments: '%3'\nIFH job end: %4").arg(ecu, job, args, end);
}

// A job answered by the default response.
QString okJob(const QString &job, const QString &args = QString())
{
    return "<jobstart>'" + job + "','" + defaultTrace("D_MOTOR", job, args) + "'\n" + set0(job, 1, "OKAY")
           + rec("JOB_STATUS", "OKAY", "text") + "<jobend>\n";
}

// The trace log without the date and time in front of each record.
QString records(const QString &logName)
{
    QFile f("DebugLogs/" + logName);
    if (!f.open(QIODevice::ReadOnly))
        return QStringLiteral("<missing %1>").arg(f.fileName());
    QString text = QString::fromLatin1(f.readAll());
    text.replace(QRegularExpression("(^|\n)\\d{2}\\.\\d{2}\\.\\d{4} \\d{2}:\\d{2}:\\d{2} "), "\\1");
    return text;
}

QString config(const char *name)
{
    EdiabasSessionLock lock;
    char value[APIMAXCONFIG] = {0};
    apiGetConfig(name, value);
    return QString::fromLatin1(value);
}

QStringList protocol(DebugForm &form)
{
    return form.findChild<QTextEdit *>("textEdit")->toPlainText().split('\n');
}

// The colour a line is forced to; none for a line in the theme's colour.
QColor colourOfLine(DebugForm &form, int line)
{
    const QTextBlock block = form.findChild<QTextEdit *>("textEdit")->document()->findBlockByNumber(line);
    const QTextCharFormat format = block.begin().fragment().charFormat();
    return format.hasProperty(QTextFormat::ForegroundBrush) ? format.foreground().color() : QColor();
}

// Qt's red, a shade darker so that it reads on the default white base.
const QColor errorRed(0xe6, 0, 0);

QPushButton *button(DebugForm &form, const char *name)
{
    return form.findChild<QPushButton *>(name);
}

// Collects what reaches the root logger.
class RootCollector : public log4cplus::Appender
{
public:
    void close() override {}
    QStringList messages()
    {
        std::lock_guard<std::mutex> lock(m);
        return seen;
    }

protected:
    void append(const log4cplus::spi::InternalLoggingEvent &event) override
    {
        std::lock_guard<std::mutex> lock(m);
        seen << QString::fromLatin1(event.getMessage().c_str());
    }

private:
    std::mutex m;
    QStringList seen;
};

} // namespace

class TestTraceRun : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void recordsInOrder();
    void traceFileMissing();
    void traceLogCannotBeCreated();
    void refusedSessionLock();
    void mainRunnerMeanwhile();
    void hangingJobShrunkTraceAndTypedPath();

private:
    WorkDir *wd = nullptr;
    EdiabasFixture *fx = nullptr;
};

void TestTraceRun::initTestCase()
{
    // The trace run reports every step on the debug channel: hundreds of
    // lines that would bury a failure's message.
    QLoggingCategory::setFilterRules(QStringLiteral("default.debug=false"));
}

void TestTraceRun::init()
{
    wd = new WorkDir;
    fx = new EdiabasFixture;
    QVERIFY2(fx->load(script), qPrintable(fx->error()));
    QVERIFY(wd->write("config/customjobs.xml", customJobs));
}

void TestTraceRun::cleanup()
{
    // Through the runners' bookkeeping, so that the next case starts anew.
    CRunner::endEdiabas();
    delete fx;
    delete wd;
}

void TestTraceRun::recordsInOrder()
{
    KelvoLog::ensureInitialised();
    log4cplus::Logger root = log4cplus::Logger::getRoot();
    log4cplus::SharedAppenderPtr collectorPtr(new RootCollector);
    auto *collector = static_cast<RootCollector *>(collectorPtr.get());
    root.addAppender(collectorPtr);
    root.setLogLevel(log4cplus::FATAL_LOG_LEVEL);

    DebugForm form;
    form.onEcuSelected("D_MOTOR");
    QCOMPARE(form.findChild<QLineEdit *>("lineECU")->text(), QString("D_MOTOR"));
    QSignalSpy status(form.utils(), &DebugUtils::runTraceStatusChanged);
    bool runDisabled = false, sendDisabled = false, closed = true;
    QTimer::singleShot(300, &form, [&] {
        runDisabled = !button(form, "pushButton")->isEnabled();
        sendDisabled = !button(form, "pushButton_2")->isEnabled();
        closed = form.close();
    });
    button(form, "pushButton")->click();

    QVERIFY(runDisabled);
    QVERIFY(sendDisabled);
    QVERIFY(!closed);
    QVERIFY(button(form, "pushButton")->isEnabled());
    QVERIFY(button(form, "pushButton_2")->isEnabled());
    QCOMPARE(status.count(), 1);
    QCOMPARE(status.first().first().toInt(), 234);

    const QString jobsList = set0("_JOBS", 4, "") + rec("JOBNAME", "STATUS_A", "text") + rec("JOBNAME", "X_LESEN", "text")
                             + rec("JOBNAME", "OTHER", "text") + rec("JOBNAME", "status_b", "text");
    const QString expected = jobsList + "Jobs count: '3'\n"
                             + "<jobstart>'IDENT','l1\nl2'\n" + set0("IDENT", 1, "OKAY") + rec("ID", "7551", "text")
                             + rec("JOB_STATUS", "OKAY", "text") + "<jobend>\n"
                             + "<jobstart>'INFO','info late'\n" + set0("INFO", 1, "OKAY")
                             + rec("JOB_STATUS", "OKAY", "text") + "<jobend>\n"
                             + okJob("AIF_LESEN")
                             + "<jobstart>'FS_QUICK_LESEN','"
                             + defaultTrace("D_MOTOR", "FS_QUICK_LESEN", "", "error 19") + "'\n<jobend>\n"
                             + okJob("FS_SHADOW_LESEN") + okJob("FS_LESEN_TEXT") + okJob("FS_LESEN")
                             + okJob("STATUS_A") + okJob("X_LESEN")
                             + "Custom comment\n" + okJob("STATUS_CUSTOM", "1;2");
    const QString name = form.utils()->logFileName();
    QVERIFY2(name.startsWith("D_MOTOR_"), qPrintable(name));
    QCOMPARE(records(name), expected);

    QStringList lines;
    for (const QString &job : DebugUtils::fixedJobs() + QStringList{"STATUS_A", "X_LESEN", "STATUS_CUSTOM"}) {
        lines << "Running job: " + job;
        if (job == "FS_QUICK_LESEN")
            lines << "error:IFH-0009: no answer";
    }
    lines << "Tracing finished";
    QCOMPARE(protocol(form), lines);
    QCOMPARE(colourOfLine(form, 4), errorRed);
    QCOMPARE(colourOfLine(form, 5), QColor());

    // The configuration is back and the log closed; the program's other
    // appenders still work and never saw a trace record.
    QCOMPARE(config("IfhTrace"), QString("0"));
    QCOMPARE(config("ApiTrace"), QString("0"));
    QCOMPARE(config("TaskPriority"), QString("0"));
    log4cplus::Logger traceLogger = log4cplus::Logger::getInstance(name.toStdString());
    QVERIFY(traceLogger.getAllAppenders().empty());
    LOG4CPLUS_FATAL(KelvoLog::get("main"), "after the trace");
    const QStringList atRoot = collector->messages();
    root.removeAppender(collectorPtr);
    root.setLogLevel(log4cplus::OFF_LOG_LEVEL);
    QVERIFY2(atRoot.contains("after the trace"), qPrintable(atRoot.join('|')));
    for (const QString &m : atRoot)
        QVERIFY2(!m.contains("<jobstart>") && !m.contains("Jobs count"), qPrintable(m));
    QCOMPARE(EdiabasStandIn::overlaps().size(), 0);
}

void TestTraceRun::traceFileMissing()
{
    // The runtime cannot create its trace file below a plain file.
    QVERIFY(wd->write("ediabas/trace", "not a folder"));
    DebugForm form;
    form.onEcuSelected("D_MOTOR");
    button(form, "pushButton")->click();
    QCOMPARE(protocol(form), QStringList{"Error generating trace file"});
    QVERIFY(button(form, "pushButton")->isEnabled());
    const QString text = records(form.utils()->logFileName());
    QVERIFY2(text.endsWith("Jobs count: '3'\nCan't open trace file"), qPrintable(text));
    QCOMPARE(config("IfhTrace"), QString("0"));
    QCOMPARE(config("TaskPriority"), QString("0"));
    QVERIFY(log4cplus::Logger::getInstance(form.utils()->logFileName().toStdString()).getAllAppenders().empty());
}

void TestTraceRun::traceLogCannotBeCreated()
{
    QVERIFY(wd->write("DebugLogs", "a file where the folder should be"));
    DebugForm form;
    form.onEcuSelected("D_MOTOR");
    button(form, "pushButton")->click();
    const QStringList lines = protocol(form);
    QCOMPARE(lines.size(), 2);
    QVERIFY2(lines.at(0).startsWith("Can't create trace log DebugLogs/D_MOTOR_"), qPrintable(lines.at(0)));
    QCOMPARE(colourOfLine(form, 0), errorRed);
    QCOMPARE(lines.at(1), QString("Error generating trace file"));
    QCOMPARE(EdiabasFixture::count("__apiSetConfig"), 0);
    QCOMPARE(EdiabasFixture::count("__apiJob"), 0);
    QVERIFY(button(form, "pushButton")->isEnabled());
}

void TestTraceRun::refusedSessionLock()
{
    DebugForm form;
    form.onEcuSelected("D_MOTOR");
    {
        // Started from the events of another EDIABAS user of this thread.
        EdiabasSessionLock held;
        QTimer::singleShot(0, &form, [&form] { button(form, "pushButton")->click(); });
        EdiabasSessionLock::processEvents();
    }
    QCOMPARE(protocol(form),
             (QStringList{"EDIABAS is busy with another job: trace stopped", "Error generating trace file"}));
    QCOMPARE(EdiabasFixture::count("__apiJob"), 0);
    QCOMPARE(EdiabasFixture::count("__apiSetConfig"), 0);
    QVERIFY(log4cplus::Logger::getInstance(form.utils()->logFileName().toStdString()).getAllAppenders().empty());
}

void TestTraceRun::mainRunnerMeanwhile()
{
    EdiabasRunnerLoop runner({CJob("D_OTHER", "STATUS_R")});
    QTRY_VERIFY(runner.finished() > 0);
    DebugUtils utils;
    QSignalSpy status(&utils, &DebugUtils::runTraceStatusChanged);
    const int before = runner.finished();
    utils.runEcuTrace("D_MOTOR");
    const int during = runner.finished() - before;
    QVERIFY2(during > 5, qPrintable(QStringLiteral("%1 jobs of the runner during the trace").arg(during)));
    QVERIFY(runner.stop());
    QCOMPARE(status.first().first().toInt(), 234);
    QVERIFY2(runner.errors().isEmpty(), qPrintable(runner.errors().join('|')));
    // One session for both: the trace joined the runner's.
    QCOMPARE(EdiabasFixture::count("__apiInit"), 1);
    QCOMPARE(EdiabasStandIn::overlaps().size(), 0);
    const QString text = records(utils.logFileName());
    QVERIFY(text.contains("<jobstart>'STATUS_CUSTOM'"));
    QVERIFY2(!text.contains("D_OTHER"), qPrintable(text));
}

void TestTraceRun::hangingJobShrunkTraceAndTypedPath()
{
    QVERIFY(CRunner::initEdiabas());
    DebugUtils utils;
    utils.setBusyWaitLimit(300);
    // Another job is left busy in EDIABAS right before AIF_LESEN.
    connect(&utils, &DebugUtils::jobStarted, this, [](QString job) {
        if (job != "AIF_LESEN")
            return;
        EdiabasSessionLock lock;
        apiJob("D_MOTOR", "HANG", "", "");
        apiErrorText();
    });
    // The runtime starts its trace file anew during AIF_LESEN.
    EdiabasStandIn::setHandler([](const EdiabasStandIn::JobRequest &req, EdiabasStandIn::Response &) {
        if (req.job == "AIF_LESEN")
            QFile("ediabas/trace/ifh.trc").resize(0);
    });
    QSignalSpy status(&utils, &DebugUtils::runTraceStatusChanged);
    utils.runEcuTrace("../x");
    QCOMPARE(status.first().first().toInt(), 234);
    QCOMPARE(EdiabasFixture::count("__apiBreak"), 1);

    // The typed name cannot lead out of the folder.
    QVERIFY2(utils.logFileName().startsWith("x_"), qPrintable(utils.logFileName()));
    QCOMPARE(QDir("DebugLogs").entryList(QDir::Files), QStringList{utils.logFileName()});
    const QString text = records(utils.logFileName());
    QVERIFY2(text.contains("<jobstart>'AIF_LESEN',''\n<jobend>"), qPrintable(text));
    QVERIFY(text.contains("<jobstart>'FS_QUICK_LESEN','IFH job start: ../x.FS_QUICK_LESEN\n"));
    QCOMPARE(EdiabasStandIn::overlaps().size(), 0);
}

KELVO_GUI_TEST_MAIN(TestTraceRun)
#include "tst_tracerun.moc"
