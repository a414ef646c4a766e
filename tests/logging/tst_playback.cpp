// The playback cursor over a log the data logger wrote: valid rows, the
// operations that move the current row and refuse to leave the log, the
// jobs of a row with their logged stamps, a failed load that keeps the log
// loaded before, logs without side file or without rows.
#include "datalogger.h"
#include "jobmetatypes.h"
#include "loggerfixture.h"
#include "playback.h"
#include "playbackfixture.h"
#include "workdir.h"

#include <QtTest>

namespace {
int value(const QList<CJob> &jobs)
{
    if (jobs.isEmpty() || jobs.first().results.isEmpty())
        return -1;
    return int(jobs.first().results.first().realValue);
}
} // namespace

class TestPlayBack : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { JobMetaTypes::registerAll(); }
    void unloaded();
    void threeRows();
    void operations_data();
    void operations();
    void failedLoadKeepsTheLoadedLog();
    void headerWithoutSideFile();
    void emptyLog();
    void timeOfDayAcrossMidnight();
};

void TestPlayBack::unloaded()
{
    PlayBack p;
    QVERIFY(!p.isLoaded());
    QCOMPARE(p.rowCount(), 0u);
    QVERIFY(!p.checkIndex(0));
    QVERIFY(p.current().isEmpty());
    QVERIFY(p.seek(0).isEmpty());
    p.execOp(PlayBack::Next, 0);
    QCOMPARE(p.getCurIndex(), 0);
    QCOMPARE(p.getStartTime(), qint64(0));
}

void TestPlayBack::threeRows()
{
    WorkDir wd;
    const QString file = playbackfixture::writeLog(3, 10);
    PlayBack p;
    QVERIFY(p.load(file));
    QCOMPARE(p.rowCount(), 3u);
    for (int i : {-1, 3, 4, INT_MAX})
        QVERIFY2(!p.checkIndex(i), qPrintable(QString::number(i)));
    for (int i : {0, 1, 2})
        QVERIFY(p.checkIndex(i));
    QCOMPARE(p.getCurIndex(), 0);
    QCOMPARE(p.getStartTime(), qint64(0));

    const QList<CJob> row0 = p.current();
    QCOMPARE(row0.size(), 1);
    const CJob &job = row0.first();
    QCOMPARE(job.ecuName, std::string("MSV70"));
    QCOMPARE(job.jobName, std::string("MOTOR"));
    QCOMPARE(job.timeStamp, qint64(0));
    QCOMPARE(job.getResultCount(), 2);
    QCOMPARE(job.resultAt(0).name, std::string("STAT_A_WERT"));
    QCOMPARE(job.resultAt(1).name, std::string("STAT_B_WERT"));

    const QList<CJob> row2 = p.seek(2);
    QCOMPARE(p.getCurIndex(), 2);
    QCOMPARE(row2.first().timeStamp, qint64(20));
    QCOMPARE(row2.first().resultAt(0).realValue, 2.0);
    QCOMPARE(row2.first().resultAt(1).realValue, 4.0);
    // Past the end: refused, the current row stays.
    QVERIFY(p.seek(3).isEmpty());
    QCOMPARE(p.getCurIndex(), 2);
    QCOMPARE(value(p.current()), 2);
}

void TestPlayBack::operations_data()
{
    QTest::addColumn<int>("from");
    QTest::addColumn<int>("op");
    QTest::addColumn<uint>("pos");
    QTest::addColumn<int>("to");
    QTest::newRow("next") << 1 << int(PlayBack::Next) << 0u << 2;
    QTest::newRow("next on the last row") << 2 << int(PlayBack::Next) << 0u << 2;
    QTest::newRow("previous") << 1 << int(PlayBack::Previous) << 0u << 0;
    QTest::newRow("previous on row 0") << 0 << int(PlayBack::Previous) << 0u << 0;
    QTest::newRow("seek") << 0 << int(PlayBack::Seek) << 2u << 2;
    QTest::newRow("seek past the end") << 1 << int(PlayBack::Seek) << 3u << 1;
    QTest::newRow("seek beyond int") << 1 << int(PlayBack::Seek) << 0xffffffffu << 1;
    QTest::newRow("unknown operation") << 1 << 7 << 2u << 1;
}

void TestPlayBack::operations()
{
    QFETCH(int, from);
    QFETCH(int, op);
    QFETCH(uint, pos);
    QFETCH(int, to);
    WorkDir wd;
    PlayBack p;
    QVERIFY(p.load(playbackfixture::writeLog(3, 10)));
    p.execOp(PlayBack::Seek, quint32(from));
    QCOMPARE(p.getCurIndex(), from);
    p.execOp(PlayBack::Op(op), pos);
    QCOMPARE(p.getCurIndex(), to);
    QCOMPARE(value(p.current()), to);
}

void TestPlayBack::failedLoadKeepsTheLoadedLog()
{
    WorkDir wd;
    PlayBack p;
    QVERIFY(p.load(playbackfixture::writeLog(3, 10)));
    p.seek(1);
    QVERIFY(!p.load(wd.filePath("missing.csv")));
    QVERIFY(!p.errorString().isEmpty());
    QVERIFY(p.isLoaded());
    QCOMPARE(p.rowCount(), 3u);
    QCOMPARE(p.getCurIndex(), 1);
    QCOMPARE(value(p.current()), 1);
}

void TestPlayBack::headerWithoutSideFile()
{
    WorkDir wd;
    const QString file = playbackfixture::writeLog(2, 10);
    QVERIFY(QFile::remove(file + ".info"));
    PlayBack p;
    QVERIFY(p.load(file));
    QCOMPARE(p.rowCount(), 2u);
    const QList<CJob> jobs = p.seek(1);
    QCOMPARE(jobs.size(), 1);
    QCOMPARE(jobs.first().ecuName, std::string("DUMMYECU"));
    QCOMPARE(jobs.first().jobName, std::string("DUMMYJOB"));
    QCOMPARE(jobs.first().timeStamp, qint64(10));
    QCOMPARE(jobs.first().getResultCount(), 2);
    QCOMPARE(jobs.first().resultAt(1).realValue, 2.0);
    QCOMPARE(p.parser().columns().size(), 2);
}

void TestPlayBack::emptyLog()
{
    WorkDir wd;
    QVERIFY(wd.write("empty.csv", QByteArray()));
    PlayBack p;
    // A 0-byte log (a logger that never wrote a line) has no rows at all.
    if (p.load(wd.filePath("empty.csv"))) {
        QCOMPARE(p.rowCount(), 0u);
        QVERIFY(!p.checkIndex(0));
        QVERIFY(p.current().isEmpty());
        QVERIFY(p.seek(0).isEmpty());
    } else {
        QVERIFY(!p.errorString().isEmpty());
        QCOMPARE(p.rowCount(), 0u);
    }
}

void TestPlayBack::timeOfDayAcrossMidnight()
{
    // Time of day (logger time code 2) through midnight: the stamps the
    // player hands on keep rising instead of jumping back a day.
    WorkDir wd;
    DataLogger logger;
    const qint64 start = QDateTime(QDate(2026, 12, 10), QTime(23, 59, 59, 800)).toMSecsSinceEpoch();
    logger.setClock([start] { return start; });
    logger.setTimeFormat(DataLogger::CurrentTime);
    logger.addToFilter(loggerfixture::column("MOTOR", "STAT_A_WERT", nullptr, 8, "MSV70"));
    logger.startLog();
    for (int i = 0; i < 4; ++i)
        logger.handleData(loggerfixture::job("MOTOR", start + i * 100,
                                             {loggerfixture::result("STAT_A_WERT", QByteArray::number(i).constData())}, "MSV70"));
    const QString file = logger.fileName();
    logger.stopLog();
    PlayBack p;
    QVERIFY(p.load(file));
    QCOMPARE(p.rowCount(), 4u);
    const qint64 day = 24 * 3600 * 1000;
    const QList<qint64> expected{day - 200, day - 100, day, day + 100};
    for (int i = 0; i < 4; ++i) {
        const QList<CJob> jobs = p.seek(i);
        QCOMPARE(jobs.size(), 1);
        QCOMPARE(jobs.first().timeStamp, expected.at(i));
    }
}

QTEST_GUILESS_MAIN(TestPlayBack)
#include "tst_playback.moc"
