// The EDIABAS tools in a copy of the demo working directory, answered by the
// demo's stand-in script: detection, a trace and a job-tool read.
#include "crunner.h"
#include "debugutils.h"
#include "ecudetectwindow.h"
#include "ecujoblistwindow.h"
#include "ediabasstandin.h"
#include "jobtool.h"
#include "mainwindow.h"
#include "mdiarea.h"
#include "workdir.h"

#include <QAction>
#include <QComboBox>
#include <QLineEdit>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QRadioButton>
#include <QtTest>

class TestDemoEdiabas : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void detectionSelectsMsv70();
    void traceOfMsv70Finishes();
    void jobToolDumps1024Bytes();

private:
    WorkDir *wd = nullptr;
};

void TestDemoEdiabas::init()
{
    wd = new WorkDir;
    QVERIFY(wd->copyTree(QStringLiteral(KELVO_SOURCE_DIR) + "/demo"));
    EdiabasStandIn::reset();
}

void TestDemoEdiabas::cleanup()
{
    CRunner::endEdiabas();
    EdiabasStandIn::reset();
    delete wd;
}

void TestDemoEdiabas::detectionSelectsMsv70()
{
    MainWindow w({"kelvo", "simulation"});
    w.findChild<QAction *>("actionDetect_ECU")->trigger();
    EcuDetectWindow *window = w.mdi()->findChild<EcuDetectWindow *>();
    QVERIFY(window);
    window->findChild<QPushButton *>("detectButton")->click();
    QCOMPARE(w.ecuList()->currentEcu(), QString("MSV70"));
}

void TestDemoEdiabas::traceOfMsv70Finishes()
{
    DebugUtils utils;
    QSignalSpy status(&utils, &DebugUtils::runTraceStatusChanged);
    QSignalSpy started(&utils, &DebugUtils::jobStarted);
    utils.runEcuTrace("MSV70");
    QCOMPARE(status.count(), 1);
    QCOMPARE(status.first().first().toInt(), 234);
    // The seven fixed jobs, four of the description file's, the demo custom job SET_1.
    QCOMPARE(started.count(), 7 + 4 + 1);
    QFile log("DebugLogs/" + utils.logFileName());
    QVERIFY(log.open(QIODevice::ReadOnly));
    const QByteArray text = log.readAll();
    // INFO's late trace was waited for.
    QVERIFY2(text.contains("<jobstart>'INFO','IFH job start: MSV70.INFO"), text.constData());
}

void TestDemoEdiabas::jobToolDumps1024Bytes()
{
    JobTool tool;
    tool.findChild<QRadioButton *>("radTotalLen")->setChecked(true);
    QComboBox *target = tool.findChild<QComboBox *>("iterationTargetCombo");
    target->setCurrentIndex(target->findText("arg2"));
    QComboBox *amount = tool.findChild<QComboBox *>("iterationAmountFieldComboBox");
    amount->setCurrentIndex(amount->findText("arg3"));
    QSignalSpy done(&tool, &JobTool::readFinished);
    tool.findChild<QPushButton *>("pushButton")->click();
    QVERIFY(done.wait(10000));
    QFile dump(tool.dumpFileName());
    QVERIFY(dump.open(QIODevice::ReadOnly));
    QCOMPARE(QByteArray::fromHex(dump.readAll()).size(), 1024);
}

QTEST_MAIN(TestDemoEdiabas)
#include "tst_demoediabas.moc"
