// ECU detection against the EDIABAS stand-in: which candidates are asked,
// which "VARIANTE" is taken, initialisation of a missing session, failures,
// a window closed mid-run, a refused session lock and the threaded test job.
#include "crunner.h"
#include "ecudetectwindow.h"
#include "ediabasapi.h"
#include "ediabasfixture.h"
#include "ediabassessionlock.h"
#include "guitestmain.h"
#include "workdir.h"

#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPointer>
#include <QPushButton>
#include <QSignalSpy>
#include <QTextEdit>
#include <QTimer>
#include <QtTest>

namespace {

QStringList protocol(EcuDetectWindow &w)
{
    return w.findChild<QTextEdit *>("textEdit")->toPlainText().split('\n');
}

QString label(EcuDetectWindow &w)
{
    return w.findChild<QLabel *>("lblECU")->text();
}

QPushButton *button(EcuDetectWindow &w, const char *name)
{
    return w.findChild<QPushButton *>(name);
}

// The ECUs whose jobs were started, in order.
QStringList askedEcus()
{
    QStringList out;
    for (const EdiabasStandIn::CallRecord &c : EdiabasStandIn::callLog()) {
        if (c.call == QLatin1String("__apiJob"))
            out << c.arguments.section(QStringLiteral(", "), 0, 0).remove('\'');
    }
    return out;
}

const QByteArray d_motor2Answers = R"({
  "ecus": {
    "D_0012": { "default": { "busyMs": 150, "error": { "code": 19, "text": "IFH-0009: no answer" } } },
    "D_MOTOR": { "default": { "error": { "code": 19, "text": "D_MOTOR: no answer" } } },
    "D_MOTOR2": { "variant": "MSV70",
                  "jobs": { "INITIALISIERUNG": { "sets": [ [ { "name": "JOB_STATUS", "text": "OKAY" } ] ] } } },
    "G_MOTOR": { "default": { "sets": [] } },
    "G_MOTOR2": { "default": { "sets": [] } }
  }
})";

} // namespace

class TestEcuDetectWindow : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void firstAnsweringCandidateIsEmittedOnce();
    void variantChoice_data();
    void variantChoice();
    void missingSessionIsInitialisedFirst();
    void allCandidatesFail();
    void closingMidRunEndsIt();
    void refusedSessionLockEndsTheRun();
    void testButtonThreadsEndAndGo();

private:
    WorkDir *wd = nullptr;
    EdiabasFixture *fx = nullptr;
};

void TestEcuDetectWindow::init()
{
    wd = new WorkDir;
    fx = new EdiabasFixture;
}

void TestEcuDetectWindow::cleanup()
{
    // Through the runners' bookkeeping, so that the next case starts anew.
    CRunner::endEdiabas();
    delete fx;
    delete wd;
}

void TestEcuDetectWindow::firstAnsweringCandidateIsEmittedOnce()
{
    QVERIFY2(fx->load(d_motor2Answers), qPrintable(fx->error()));
    QVERIFY(apiInit());
    EcuDetectWindow w;
    QSignalSpy detected(&w, &EcuDetectWindow::ecuDetected);
    // Looked at when the run writes its first line, however long it takes.
    auto *text = w.findChild<QTextEdit *>("textEdit");
    bool enabledDuringRun = true;
    bool sampled = false;
    QMetaObject::Connection probe = connect(text, &QTextEdit::textChanged, &w, [&] {
        if (!sampled)
            enabledDuringRun = button(w, "detectButton")->isEnabled();
        sampled = true;
    });
    w.on_detectButton_clicked();
    disconnect(probe);
    QVERIFY(sampled);
    QVERIFY(!enabledDuringRun);
    QVERIFY(button(w, "detectButton")->isEnabled());
    QCOMPARE(askedEcus(), (QStringList{"D_0012", "D_MOTOR", "D_MOTOR2"}));
    QCOMPARE(protocol(w), (QStringList{"Querying: D_0012", "IFH-0009: no answer", "Querying: D_MOTOR",
                                       "D_MOTOR: no answer", "Querying: D_MOTOR2", "MSV70"}));
    QCOMPARE(detected.count(), 1);
    QCOMPARE(detected.first().first().toString(), QString("MSV70"));
    QCOMPARE(label(w), QString("MSV70"));
    QCOMPARE(EdiabasFixture::count("__apiInit"), 1);  // the test's own

    // A second run clears the label first and appends below the old lines.
    w.findChild<QLabel *>("lblECU")->setText("old");
    bool clearedDuringRun = false;
    sampled = false;
    probe = connect(text, &QTextEdit::textChanged, &w, [&] {
        if (!sampled)
            clearedDuringRun = label(w).isEmpty();
        sampled = true;
    });
    w.on_detectButton_clicked();
    disconnect(probe);
    QVERIFY(sampled);
    QVERIFY(clearedDuringRun);
    QCOMPARE(protocol(w).size(), 12);
    QCOMPARE(protocol(w).mid(6, 1), QStringList{"Querying: D_0012"});
    QCOMPARE(detected.count(), 2);
    QCOMPARE(EdiabasStandIn::overlaps().size(), 0);
}

void TestEcuDetectWindow::variantChoice_data()
{
    QTest::addColumn<QByteArray>("response");
    QTest::addColumn<QString>("variant");
    QTest::newRow("empty in set 0, full in set 1")
        << QByteArray(R"({ "systemSet": [ { "name": "VARIANTE", "text": "" } ],
                           "sets": [ [ { "name": "JOB_STATUS", "text": "OKAY" }, { "name": "VARIANTE", "text": "D73N57C0" } ] ] })")
        << "D73N57C0";
    QTest::newRow("set 0 wins over set 1")
        << QByteArray(R"({ "systemSet": [ { "name": "VARIANTE", "text": "MSV70" } ],
                           "sets": [ [ { "name": "VARIANTE", "text": "D73N57C0" } ] ] })")
        << "MSV70";
    QTest::newRow("other letter case is not taken")
        << QByteArray(R"({ "systemSet": [ { "name": "OBJECT", "text": "d_0012" } ],
                           "sets": [ [ { "name": "Variante", "text": "MSV70" } ] ] })")
        << QString();
    QTest::newRow("all empty")
        << QByteArray(R"({ "systemSet": [ { "name": "VARIANTE", "text": "" } ],
                           "sets": [ [ { "name": "VARIANTE", "text": "" } ] ] })")
        << QString();
}

void TestEcuDetectWindow::variantChoice()
{
    QFETCH(QByteArray, response);
    QFETCH(QString, variant);
    QVERIFY2(fx->load(R"({ "ecus": { "D_0012": { "default": )" + response + "}}}"), qPrintable(fx->error()));
    QVERIFY(apiInit());
    EcuDetectWindow w;
    QSignalSpy detected(&w, &EcuDetectWindow::ecuDetected);
    w.on_detectButton_clicked();
    QCOMPARE(askedEcus(), QStringList{"D_0012"});
    QCOMPARE(detected.count(), variant.isEmpty() ? 0 : 1);
    if (!variant.isEmpty())
        QCOMPARE(detected.first().first().toString(), variant);
    QCOMPARE(label(w), variant);
    QCOMPARE(protocol(w).size(), variant.isEmpty() ? 1 : 2);
}

void TestEcuDetectWindow::missingSessionIsInitialisedFirst()
{
    QVERIFY2(fx->load(d_motor2Answers), qPrintable(fx->error()));
    // No apiInit here: EDIABAS answers 133 (no session).
    EcuDetectWindow w;
    QSignalSpy detected(&w, &EcuDetectWindow::ecuDetected);
    QTest::ignoreMessage(QtDebugMsg, "doing apiInit");
    w.on_detectButton_clicked();
    const QStringList calls = EdiabasFixture::calls();
    QCOMPARE(calls.count("__apiInit"), 1);
    QVERIFY(calls.indexOf("__apiInit") < calls.indexOf("__apiJob"));
    QCOMPARE(detected.count(), 1);
}

void TestEcuDetectWindow::allCandidatesFail()
{
    QVERIFY2(fx->load(R"({ "errors": { "unknownEcu": { "code": 22, "text": "unknown ECU %1" } }, "ecus": {} })"),
             qPrintable(fx->error()));
    QVERIFY(apiInit());
    EcuDetectWindow w;
    QSignalSpy detected(&w, &EcuDetectWindow::ecuDetected);
    w.on_detectButton_clicked();
    QStringList expected;
    for (const QString &ecu : EcuDetectWindow::candidates())
        expected << "Querying: " + ecu << "unknown ECU " + ecu;
    QCOMPARE(protocol(w), expected);
    QCOMPARE(detected.count(), 0);
    QCOMPARE(label(w), QString());
}

void TestEcuDetectWindow::closingMidRunEndsIt()
{
    QVERIFY2(fx->load(d_motor2Answers), qPrintable(fx->error()));
    QVERIFY(apiInit());
    QMdiArea area;
    area.show();
    QPointer<EcuDetectWindow> w = new EcuDetectWindow;
    QMdiSubWindow *sub = area.addSubWindow(w);
    sub->show();
    QSignalSpy detected(w.data(), &EcuDetectWindow::ecuDetected);
    // The window goes while the first candidate's job is still busy.
    QTimer::singleShot(50, sub, [sub] { sub->close(); });
    w->on_detectButton_clicked();
    QTRY_VERIFY(w.isNull());
    QCOMPARE(askedEcus(), QStringList{"D_0012"});
    QCOMPARE(detected.count(), 0);
}

void TestEcuDetectWindow::refusedSessionLockEndsTheRun()
{
    QVERIFY2(fx->load(d_motor2Answers), qPrintable(fx->error()));
    QVERIFY(apiInit());
    EcuDetectWindow w;
    {
        // Started from the events of another EDIABAS user of this thread.
        EdiabasSessionLock held;
        QTimer::singleShot(0, &w, [&w] { w.on_detectButton_clicked(); });
        EdiabasSessionLock::processEvents();
    }
    QCOMPARE(protocol(w), QStringList{"EDIABAS is busy with another job: detection stopped"});
    QCOMPARE(EdiabasFixture::count("__apiJob"), 0);
    QVERIFY(button(w, "detectButton")->isEnabled());
}

void TestEcuDetectWindow::testButtonThreadsEndAndGo()
{
    QVERIFY2(fx->load(R"({ "ecus": { "DM338DS0": { "jobs": { "INFO": {
                             "sets": [ [ { "name": "TEXT", "text": "Test" } ] ] } } } } })"),
             qPrintable(fx->error()));
    QVERIFY(apiInit());
    EcuDetectWindow w;
    QTest::ignoreMessage(QtDebugMsg, "onFinished");
    QTest::ignoreMessage(QtDebugMsg, "onFinished");
    button(w, "pushButton")->click();
    button(w, "pushButton")->click();
    QVERIFY(w.pendingTests() > 0);
    // Both threads end after their job and take their workers with them.
    QTRY_COMPARE_WITH_TIMEOUT(w.pendingTests(), 0, 10000);
    QCOMPARE(EdiabasFixture::count("__apiJob"), 2);
    for (const EdiabasStandIn::CallRecord &c : EdiabasStandIn::callLog()) {
        if (c.call == QLatin1String("__apiJob"))
            QVERIFY2(c.arguments.startsWith("'DM338DS0', 'INFO'"), qPrintable(c.arguments));
    }
    QCOMPARE(EdiabasStandIn::overlaps().size(), 0);
}

KELVO_GUI_TEST_MAIN(TestEcuDetectWindow)
#include "tst_ecudetectwindow.moc"
