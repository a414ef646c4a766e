// EdiabasUtils and EdiabasUtils2 run one job directly through the binding
// against the stand-in and hand back every result set.
#include "ediabasapi.h"
#include "ediabasfixture.h"
#include "ediabasutils.h"
#include "ediabasutils2.h"
#include "workdir.h"

#include <QSignalSpy>
#include <QThread>
#include <QTimer>
#include <QtTest>

namespace {

const QByteArray script = R"({
  "ecus": {
    "D_MOTOR": {
      "variant": "MSV70",
      "jobs": {
        "THREE": { "busyMs": 150, "sets": [
            [ { "name": "STAT_WERT", "real": 12.5 }, { "name": "STAT_EINH", "text": "Grad C" } ],
            [ { "name": "DATEN", "hex": "01 AB", "rendering": "bytes: 1, 171" }, { "name": "ANZAHL", "int": 2, "format": 3 } ],
            [ { "name": "JOB_STATUS", "text": "OKAY" } ] ] },
        "FAIL": { "error": { "code": 19, "text": "IFH: no answer" } },
        "HANG": { "busyUntilBroken": true },
        "SLOW": { "busyMs": 500, "sets": [] }
      }
    }
  }
})";

QStringList describe(const QList<CJobResult> &list)
{
    QStringList out;
    for (const CJobResult &r : list)
        out << QStringLiteral("%1|%2|%3|%4")
                   .arg(QString::fromStdString(r.name))
                   .arg(r.format)
                   .arg(QString::fromStdString(r.typeName))
                   .arg(r.textQ());
    return out;
}

} // namespace

class TestEdiabasUtils : public QObject
{
    Q_OBJECT

private:
    WorkDir *wd = nullptr;
    EdiabasFixture *fx = nullptr;

private slots:
    void init()
    {
        wd = new WorkDir;
        fx = new EdiabasFixture;
        QVERIFY2(fx->load(script), qPrintable(fx->error()));
        QCOMPARE(apiInit(), 1);
    }

    void cleanup()
    {
        apiEnd();
        delete fx;
        delete wd;
    }

    void threeSetsGiveFourEntries()
    {
        EdiabasUtils utils;
        QSignalSpy finished(&utils, &EdiabasUtils::apiFinished);
        ResultList lst;
        QCOMPARE(utils.execApiJob("D_MOTOR", "THREE", "", lst), 1);
        QCOMPARE(finished.count(), 1);
        QCOMPARE(lst.count(), 4);
        QCOMPARE(utils.lastErrorText(), QString());
        QCOMPARE(describe(lst.value(0)).first(), QStringLiteral("VARIANTE|6|text|MSV70"));
        QCOMPARE(describe(lst.value(1)), (QStringList{"STAT_WERT|8|real|12.5", "STAT_EINH|6|text|Grad C"}));
        // The binary result keeps the runtime's text rendering.
        QCOMPARE(describe(lst.value(2)), (QStringList{"DATEN|7|binary|bytes: 1, 171", "ANZAHL|3|word|2"}));
        QCOMPARE(describe(lst.value(3)), (QStringList{"JOB_STATUS|6|text|OKAY"}));
        const CJobResult &r = lst.value(1).first();
        QCOMPARE(r.displayName, r.name);
        QCOMPARE(r.realValue, 0.0);  // no typed value is read
        QCOMPARE(EdiabasStandIn::overlaps().size(), 0);
    }

    void errorGivesEmptyListAndText()
    {
        EdiabasUtils utils;
        ResultList lst;
        QCOMPARE(utils.execApiJob("D_MOTOR", "FAIL", "", lst), 3);
        QVERIFY(lst.isEmpty());
        QCOMPARE(utils.lastErrorText(), QString("IFH: no answer"));
        QCOMPARE(QByteArray(apiErrorText()), QByteArray("IFH: no answer"));
        QCOMPARE(EdiabasFixture::count("__apiResultSets"), 0);
    }

    void busyJobIsBrokenAfterThe51stPoll()
    {
        EdiabasUtils utils;
        ResultList lst;
        QCOMPARE(utils.execApiJob("D_MOTOR", "HANG", "", lst), 2);
        QVERIFY(lst.isEmpty());
        const QStringList calls = EdiabasFixture::calls();
        const int firstBreak = calls.indexOf("__apiBreak");
        QVERIFY(firstBreak > 0);
        // One state after the first 100 ms, then 51 polls before the break.
        QCOMPARE(calls.mid(0, firstBreak).count("__apiState"), 52);
        // The poll after the break sees state 2 and ends the loop (breaking
        // once more on the way, as every pass beyond 50 does).
        QCOMPARE(calls.count("__apiBreak"), 2);
        QCOMPARE(calls.lastIndexOf("__apiState"), calls.lastIndexOf("__apiBreak") - 2);
        QVERIFY(apiErrorText() != nullptr);
    }

    void secondCallWhileRunningIsRefused()
    {
        EdiabasUtils utils;
        int nested = 0;
        bool ran = false;
        QTimer::singleShot(200, &utils, [&] {
            ResultList inner;
            nested = utils.execApiJob("D_MOTOR", "THREE", "", inner);
            ran = true;
        });
        ResultList lst;
        QCOMPARE(utils.execApiJob("D_MOTOR", "SLOW", "", lst), 1);
        QVERIFY(ran);  // events were processed during the wait
        QCOMPARE(nested, int(EdiabasUtils::Refused));
        QCOMPARE(EdiabasFixture::count("__apiJob"), 1);
        QCOMPARE(lst.count(), 1);  // only set 0 of SLOW
        QCOMPARE(EdiabasStandIn::overlaps().size(), 0);
    }

    void utils2ReturnsOneInEveryCase_data()
    {
        QTest::addColumn<QString>("job");
        QTest::addColumn<int>("entries");
        QTest::newRow("ready") << "THREE" << 4;
        QTest::newRow("error") << "FAIL" << 0;
        QTest::newRow("stays busy") << "HANG" << 0;
    }

    void utils2ReturnsOneInEveryCase()
    {
        QFETCH(QString, job);
        QFETCH(int, entries);
        EdiabasUtils2 worker;
        worker.ecu = QStringLiteral("D_MOTOR");
        worker.jobName = job;
        QSignalSpy spy(&worker, &EdiabasUtils2::apiJobFinished);
        QCOMPARE(worker.execApiJob(), 1);
        QCOMPARE(spy.count(), 1);
        QCOMPARE(spy.first().first().value<ResultList>().count(), entries);
    }

    void utils2InAThreadHandsOverItsResults()
    {
        QThread thread;
        auto *worker = new EdiabasUtils2;
        worker->ecu = QStringLiteral("D_MOTOR");
        worker->jobName = QStringLiteral("THREE");
        worker->moveToThread(&thread);
        connect(&thread, &QThread::started, worker, &EdiabasUtils2::execApiJob);
        connect(&thread, &QThread::finished, worker, &QObject::deleteLater);
        ResultList received;
        int deliveries = 0;
        connect(worker, &EdiabasUtils2::apiJobFinished, this, [&](ResultList lst) {
            received = lst;
            ++deliveries;
        });
        thread.start();
        QTRY_COMPARE_WITH_TIMEOUT(deliveries, 1, 10000);
        thread.quit();
        QVERIFY(thread.wait(10000));
        QCOMPARE(received.count(), 4);
        QCOMPARE(describe(received.value(3)), (QStringList{"JOB_STATUS|6|text|OKAY"}));
    }

    void fillResultsReadsOneSet()
    {
        apiJob("D_MOTOR", "THREE", "", "");
        QTRY_VERIFY(apiState() != 0);
        EdiabasUtils2 worker;
        QList<CJobResult> list;
        worker.fillResults(list, 2);
        QCOMPARE(describe(list), (QStringList{"DATEN|7|binary|bytes: 1, 171", "ANZAHL|3|word|2"}));
        apiErrorText();
    }
};

QTEST_GUILESS_MAIN(TestEdiabasUtils)
#include "tst_ediabasutils.moc"
