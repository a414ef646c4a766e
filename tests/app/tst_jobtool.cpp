// The job tool against the EDIABAS stand-in's memory generator: the blocks
// it sends, the dump file, refused reads, failed blocks, simulation, and
// going away while it reads or while the main runner uses EDIABAS.
#include "crunner.h"
#include "ediabasapi.h"
#include "ediabasfixture.h"
#include "ediabasrunnerloop.h"
#include "jobtool.h"
#include "guitestmain.h"
#include "workdir.h"

#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QtTest>

namespace {

const QByteArray script = R"({
  "ecus": {
    "MSV70": { "jobs": { "SPEICHER_LESEN": { "generator": "memory" } } },
    "D_OTHER": { "default": { "busyMs": 2, "sets": [ [ { "name": "STAT_WERT", "real": 1.5 } ] ] } }
  }
})";

void setText(JobTool &tool, const char *field, const QString &text)
{
    tool.findChild<QLineEdit *>(field)->setText(text);
}

void choose(JobTool &tool, const char *combo, const QString &text)
{
    QComboBox *box = tool.findChild<QComboBox *>(combo);
    box->setCurrentIndex(box->findText(text));
}

QPushButton *start(JobTool &tool)
{
    return tool.findChild<QPushButton *>("pushButton");
}

QString results(JobTool &tool)
{
    return tool.findChild<QPlainTextEdit *>("textEdit")->toPlainText();
}

// Count mode, target arg2, amount arg3: the form's defaults otherwise.
void countMode(JobTool &tool, int count)
{
    tool.findChild<QRadioButton *>("radIterCount")->setChecked(true);
    setText(tool, "iterationCountLineEdit", QString::number(count));
    choose(tool, "iterationTargetCombo", "arg2");
    choose(tool, "iterationAmountFieldComboBox", "arg3");
}

// The arguments of the jobs EDIABAS ran, in order.
QStringList jobArguments()
{
    QStringList out;
    for (const EdiabasStandIn::CallRecord &c : EdiabasStandIn::callLog()) {
        if (c.call == QLatin1String("__apiJob"))
            out << c.arguments.section(QStringLiteral(", "), 2, 2).remove('\'');
    }
    return out;
}

// What the memory generator holds from 0 on, as the dump writes it.
QByteArray image(int bytes)
{
    QByteArray b(bytes, 0);
    for (int i = 0; i < bytes; ++i)
        b[i] = char(i & 0xFF);
    return b.toHex().toUpper();
}

bool readAll(JobTool &tool)
{
    QSignalSpy done(&tool, &JobTool::readFinished);
    start(tool)->click();
    return done.wait(10000) || done.count() == 1;
}

} // namespace

class TestJobTool : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void formDefaults();
    void readsBlocks_data();
    void readsBlocks();
    void refusals_data();
    void refusals();
    void failedBlocksAreNamed();
    void simulationCallsNoEdiabas();
    void dumpNameGetsSuffix();
    void closingWhileMainRunnerRuns();
    void closingMidReadDropsTheRest();

private:
    WorkDir *wd = nullptr;
    EdiabasFixture *fx = nullptr;
};

void TestJobTool::init()
{
    wd = new WorkDir;
    fx = new EdiabasFixture;
    QVERIFY2(fx->load(script), qPrintable(fx->error()));
}

void TestJobTool::cleanup()
{
    CRunner::endEdiabas();
    delete fx;
    delete wd;
}

void TestJobTool::formDefaults()
{
    JobTool tool;
    QCOMPARE(tool.windowTitle(), QString("Job Tool"));
    const JobToolPlan::Form f = tool.form();
    QCOMPARE(f.arguments, (QStringList{"LAR", "0x000000", "254", ""}));
    QCOMPARE(f.amountArgument, QString("arg4"));
    QCOMPARE(f.targetArgument, QString("arg4"));
    QCOMPARE(f.iterationCount, QString("4"));
    QCOMPARE(f.totalLength, QString("1024"));
    QCOMPARE(tool.findChild<QLineEdit *>("eCULineEdit")->text(), QString("MSV70"));
    QCOMPARE(tool.findChild<QLineEdit *>("jobLineEdit")->text(), QString("SPEICHER_LESEN"));
    QCOMPARE(tool.findChild<QLineEdit *>("resultFieldLineEdit")->text(), QString("DATEN"));
    QCOMPARE(tool.findChild<QLineEdit *>("logFilePrefix")->text(), QString("JobTool_"));
    QVERIFY(!tool.findChild<QCheckBox *>("checkBox")->isChecked());
}

void TestJobTool::readsBlocks_data()
{
    QTest::addColumn<QString>("mode");
    QTest::addColumn<QStringList>("fields");
    QTest::addColumn<QString>("amount");
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("bytes");
    const QStringList defaults{"LAR", "0x000000", "254", ""};
    QTest::newRow("count 4") << "count" << defaults << "arg3"
                             << QStringList{"LAR;0x000000;254", "LAR;0x0000FE;254", "LAR;0x0001FC;254",
                                            "LAR;0x0002FA;254", "LAR;0x0003F8;254"}
                             << 1270;
    QTest::newRow("total 1024") << "1024" << defaults << "arg3"
                                << QStringList{"LAR;0x000000;254", "LAR;0x0000FE;254", "LAR;0x0001FC;254",
                                               "LAR;0x0002FA;254", "LAR;0x0003F8;8"}
                                << 1024;
    QTest::newRow("total 1016") << "1016" << defaults << "arg3"
                                << QStringList{"LAR;0x000000;254", "LAR;0x0000FE;254", "LAR;0x0001FC;254",
                                               "LAR;0x0002FA;254"}
                                << 1016;
    QTest::newRow("empty arg3, amount arg4") << "254" << QStringList{"LAR", "0x000000", "", "254"} << "arg4"
                                             << QStringList{"LAR;0x000000;;254"} << 254;
}

void TestJobTool::readsBlocks()
{
    QFETCH(QString, mode);
    QFETCH(QStringList, fields);
    QFETCH(QString, amount);
    QFETCH(QStringList, arguments);
    QFETCH(int, bytes);
    JobTool tool;
    countMode(tool, 4);
    if (mode != "count") {
        tool.findChild<QRadioButton *>("radTotalLen")->setChecked(true);
        setText(tool, "totalDataLengthEdit", mode);
    }
    for (int i = 0; i < 4; ++i)
        setText(tool, qPrintable(QString("arg%1LineEdit").arg(i + 1)), fields.at(i));
    choose(tool, "iterationAmountFieldComboBox", amount);

    bool disabledWhileReading = true;
    QSignalSpy done(&tool, &JobTool::readFinished);
    start(tool)->click();
    QVERIFY(tool.isReading());
    disabledWhileReading = !start(tool)->isEnabled();
    QVERIFY(done.wait(10000));
    QVERIFY(disabledWhileReading);
    QVERIFY(start(tool)->isEnabled());
    QCOMPARE(jobArguments(), arguments);

    QFile dump(tool.dumpFileName());
    QVERIFY2(dump.open(QIODevice::ReadOnly), qPrintable(dump.fileName()));
    QCOMPARE(dump.readAll(), image(bytes));
    QVERIFY2(QFileInfo(dump).fileName().startsWith("JobTool_"), qPrintable(dump.fileName()));
    const QString text = results(tool);
    QCOMPARE(text.count("-----------------------------"), arguments.size());
    QVERIFY(text.contains("finished job with arg: " + arguments.first() + ",err:\nresult:DATEN:" + image(qMin(bytes, 254))));
    QVERIFY(text.endsWith("result:JOB_STATUS:OKAY\nfile closed"));
}

void TestJobTool::refusals_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("reason");
    QTest::newRow("block length 0") << "arg3LineEdit" << "0" << "Block length";
    QTest::newRow("block length 512") << "arg3LineEdit" << "512" << "Block length";
    QTest::newRow("non-hex address") << "arg2LineEdit" << "0x00G0" << "Start address";
    QTest::newRow("empty address") << "arg2LineEdit" << "" << "Start address";
    QTest::newRow("no block") << "iterationCountLineEdit" << "-1" << "No block";
    QTest::newRow("too many blocks") << "iterationCountLineEdit" << "65536" << "too many";
    QTest::newRow("dump file cannot be opened") << "logFilePrefix" << "no/such/folder/JobTool_" << "Can't open dump file";
}

void TestJobTool::refusals()
{
    QFETCH(QString, field);
    QFETCH(QString, value);
    QFETCH(QString, reason);
    JobTool tool;
    countMode(tool, 4);
    setText(tool, qPrintable(field), value);
    start(tool)->click();
    QVERIFY(!tool.isReading());
    QVERIFY(start(tool)->isEnabled());
    QVERIFY2(results(tool).contains(reason), qPrintable(results(tool)));
    QCOMPARE(results(tool).count('\n'), 0);
    QCOMPARE(QDir().entryList(QDir::Files).filter("JobTool_"), QStringList());
    QTest::qWait(50);
    QCOMPARE(EdiabasFixture::count("__apiJob"), 0);
}

void TestJobTool::failedBlocksAreNamed()
{
    // The third block fails in EDIABAS, the fourth brings no DATEN.
    EdiabasStandIn::setHandler([](const EdiabasStandIn::JobRequest &req, EdiabasStandIn::Response &r) {
        if (req.callNumber == 3) {
            r.errorCode = 19;
            r.errorText = "IFH-0009: no answer";
        } else if (req.callNumber == 4) {
            r.sets = {EdiabasStandIn::ResultSet{}};
        }
    });
    JobTool tool;
    countMode(tool, 4);
    QVERIFY(readAll(tool));
    const QString text = results(tool);
    QVERIFY2(text.contains("finished job with arg: LAR;0x0001FC;254,err:IFH-0009: no answer\nblock at 0x0001FC failed"),
             qPrintable(text));
    QVERIFY(text.contains("block at 0x0002FA failed"));
    QVERIFY2(text.endsWith("file closed, 2 of 5 blocks failed: 0x0001FC, 0x0002FA"), qPrintable(text.right(200)));
    QFile dump(tool.dumpFileName());
    QVERIFY(dump.open(QIODevice::ReadOnly));
    const QByteArray all = image(1270);
    QCOMPARE(dump.readAll(), all.left(2 * 508) + all.mid(4 * 508));
}

void TestJobTool::simulationCallsNoEdiabas()
{
    JobTool tool;
    countMode(tool, 4);
    tool.findChild<QCheckBox *>("checkBox")->setChecked(true);
    QVERIFY(readAll(tool));
    QCOMPARE(results(tool).count("-----------------------------"), 5);
    QFile dump(tool.dumpFileName());
    QVERIFY(dump.open(QIODevice::ReadOnly));
    QCOMPARE(dump.size(), 5 * 128);
    QCOMPARE(EdiabasStandIn::callLog().size(), 0);
}

void TestJobTool::dumpNameGetsSuffix()
{
    const QDateTime when(QDate(2017, 6, 26), QTime(15, 30, 12));
    QCOMPARE(JobTool::dumpName("JobTool_", when), QString("JobTool_2017-06-26-153012.txt"));
    QVERIFY(wd->write("JobTool_2017-06-26-153012.txt", "earlier"));
    QCOMPARE(JobTool::dumpName("JobTool_", when), QString("JobTool_2017-06-26-153012_1.txt"));
    QVERIFY(wd->write("JobTool_2017-06-26-153012_1.txt", "earlier"));
    QCOMPARE(JobTool::dumpName("JobTool_", when), QString("JobTool_2017-06-26-153012_2.txt"));
}

void TestJobTool::closingWhileMainRunnerRuns()
{
    EdiabasRunnerLoop runner({CJob("D_OTHER", "STATUS_R")});
    QTRY_VERIFY(runner.finished() > 0);
    {
        JobTool tool;
        countMode(tool, 200);
        start(tool)->click();
        QTRY_VERIFY(jobArguments().filter("LAR;").size() > 20);
    }
    const int after = runner.finished();
    QTRY_VERIFY(runner.finished() > after + 20);
    QVERIFY(runner.stop());
    const QStringList calls = EdiabasFixture::calls();
    // The main runner still holds its share of the session: nothing ended it.
    QCOMPARE(calls.count("__apiEnd"), 0);
    QCOMPARE(calls.count("__apiInit"), 1);
    QCOMPARE(EdiabasStandIn::overlaps().size(), 0);
    QVERIFY2(runner.errors().isEmpty(), qPrintable(runner.errors().join('|')));
}

void TestJobTool::closingMidReadDropsTheRest()
{
    EdiabasStandIn::setHandler([](const EdiabasStandIn::JobRequest &, EdiabasStandIn::Response &r) { r.busyMs = 2; });
    auto *tool = new JobTool;
    countMode(*tool, 3999);
    start(*tool)->click();
    QTRY_VERIFY(jobArguments().size() > 10);
    QElapsedTimer t;
    t.start();
    delete tool;
    QVERIFY2(t.elapsed() < 2000, qPrintable(QString::number(t.elapsed())));
    const int ran = jobArguments().size();
    QVERIFY(ran < 4000);
    QTest::qWait(50);
    QCOMPARE(jobArguments().size(), ran);
}

KELVO_GUI_TEST_MAIN(TestJobTool)
#include "tst_jobtool.moc"
