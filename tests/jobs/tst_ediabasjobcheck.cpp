// End to end through the program's side: a script in "ediabas/ediabas.json"
// of the working directory, a job run through the binding, its results
// printed set by set.
#include "ediabasapi.h"
#include "ediabasfixture.h"
#include "ediabassessionlock.h"
#include "ediabasutils.h"
#include "workdir.h"

#include <QtTest>

class TestEdiabasJobCheck : public QObject
{
    Q_OBJECT

private slots:
    void scriptedJobThroughTheBinding()
    {
        WorkDir wd;
        EdiabasFixture fx;
        QVERIFY(wd.write("ediabas/ediabas.json", R"({
          "ecus": { "D_MOTOR": { "variant": "MSV70", "jobs": {
            "STATUS_MOTORTEMPERATUR": { "busyMs": 120, "sets": [[
              { "name": "STAT_MOTORTEMPERATUR_WERT", "real": 87.5 },
              { "name": "STAT_MOTORTEMPERATUR_EINH", "text": "degC" },
              { "name": "JOB_STATUS", "text": "OKAY" } ]] } } } }
        })"));
        {
            EdiabasSessionLock lock;
            QCOMPARE(apiInit(), 1);
        }
        EdiabasUtils utils;
        ResultList lst;
        QCOMPARE(utils.execApiJob("D_MOTOR", "STATUS_MOTORTEMPERATUR", "", lst), 1);
        QStringList lines;
        for (int set = 0; set < lst.count(); ++set)
            for (const CJobResult &r : lst.value(set))
                lines << QStringLiteral("set %1: %2 (%3) = %4")
                             .arg(set)
                             .arg(QString::fromStdString(r.name), QString::fromStdString(r.typeName), r.textQ());
        for (const QString &l : lines)
            qInfo().noquote() << l;
        QVERIFY(lines.contains("set 0: VARIANTE (text) = MSV70"));
        QVERIFY(lines.contains("set 1: STAT_MOTORTEMPERATUR_WERT (real) = 87.5"));
        QVERIFY(lines.contains("set 1: STAT_MOTORTEMPERATUR_EINH (text) = degC"));
        QCOMPARE(lines.last(), QStringLiteral("set 1: JOB_STATUS (text) = OKAY"));
        EdiabasSessionLock lock;
        apiEnd();
    }
};

QTEST_GUILESS_MAIN(TestEdiabasJobCheck)
#include "tst_ediabasjobcheck.moc"
