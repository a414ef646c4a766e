// The playback worker in a thread of its own, driven from the test's (GUI)
// thread as the playback window drives it: load status, stepping and
// scrubbing while stopped, playing every row once and in order at several
// speeds with at most one row queued, stopping on the last row, and pauses
// that quit, stop and seek end at once.
#include "guitestmain.h"
#include "jobmetatypes.h"
#include "playbackfixture.h"
#include "playbackthread.h"
#include "workdir.h"

#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QThread>
#include <QtTest>
#include <memory>

namespace {

// One replayed row as the GUI thread received it.
struct Row
{
    int value = -1;      // STAT_A_WERT: the row number the fixture wrote
    qint64 stamp = -1;   // the job's time stamp
    int workerIndex = -1; // the worker's current row while this one was delivered
    int jobs = 0;
};

// Runs a worker in a thread of its own and records what reaches the GUI
// thread, the way the playback window connects it.
class Player : public QObject
{
    Q_OBJECT
public:
    explicit Player(const QString &file, int speed = 0)
    {
        thread.setObjectName(QStringLiteral("playback"));
        worker = new PlayBackThread();
        worker->setFileName(file);
        worker->setSpeed(speed);
        connect(&thread, &QThread::started, worker, &PlayBackThread::runLoop);
        connect(&thread, &QThread::finished, worker, &QObject::deleteLater);
        connect(worker, &PlayBackThread::jobsReady, this, &Player::onJobs);
        connect(worker, &PlayBackThread::fileStatusChanged, this, [this](int s) { statuses << s; });
        connect(worker, &PlayBackThread::statusChanged, this, [this](int s) { playStatuses << s; });
        connect(worker, &PlayBackThread::positionChanged, this, [this](int p) { positions << p; });
        worker->moveToThread(&thread);
    }
    ~Player() override { stop(); }

    void start() { thread.start(); }
    bool waitLoaded() { return waitStatus(PlayBackThread::Loaded); }
    bool waitStatus(int s)
    {
        return QTest::qWaitFor([&] { return statuses.contains(s); }, 30000);
    }
    bool waitRows(int n, int timeoutMs = 60000)
    {
        return QTest::qWaitFor([&] { return rows.size() >= n; }, timeoutMs);
    }
    // Ends the worker's loop and its thread; true when it did so within ms.
    bool stop(int ms = 30000)
    {
        if (!worker)
            return true;
        worker->quit();
        thread.quit();
        const bool done = thread.wait(ms);
        if (done)
            worker = nullptr;
        return done;
    }

    QThread thread;
    PlayBackThread *worker = nullptr;
    QList<Row> rows;
    QList<int> statuses;
    QList<int> playStatuses;
    QList<int> positions;

private slots:
    void onJobs(QList<CJob> jobs)
    {
        Row row;
        row.jobs = jobs.size();
        row.workerIndex = worker ? worker->getCurIndex() : -1;
        if (!jobs.isEmpty()) {
            row.stamp = jobs.first().timeStamp;
            for (const CJobResult &r : jobs.first().results)
                if (r.name == "STAT_A_WERT")
                    row.value = int(r.realValue);
        }
        rows << row;
    }
};

QList<int> values(const QList<Row> &rows)
{
    QList<int> out;
    for (const Row &r : rows)
        out << r.value;
    return out;
}

QList<int> range(int from, int count)
{
    QList<int> out;
    for (int i = 0; i < count; ++i)
        out << from + i;
    return out;
}

} // namespace

class TestPlayBackThread : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { JobMetaTypes::registerAll(); }
    void init() { workDir.reset(new WorkDir); }
    void cleanup() { workDir.reset(); }

    void missingFileGivesLoadingThenFailed();
    void seekBeforeLoadIsRefused();
    void stepsWhileStopped();
    void playsEveryRowOnceThenStops();
    void blankLinesAreNoRows();
    void pauseEndsAtOnceForQuitStopAndSeek();
    void shorterPauseWhilePlaying();
    void controlsFromTheGuiWhilePlaying();

private:
    std::unique_ptr<WorkDir> workDir;
};

void TestPlayBackThread::missingFileGivesLoadingThenFailed()
{
    Player p(QStringLiteral("no-such-log.csv"));
    p.start();
    QVERIFY(p.waitStatus(PlayBackThread::LoadFailed));
    QCOMPARE(p.statuses, (QList<int>{PlayBackThread::Loading, PlayBackThread::LoadFailed}));
    QVERIFY(!p.worker->errorString().isEmpty());
    QCOMPARE(p.worker->rowCount(), 0);
    // The loop was never entered: controls change nothing, nothing is played.
    p.worker->next();
    p.worker->startPlay();
    QVERIFY(p.stop());
    QVERIFY(p.rows.isEmpty());
}

void TestPlayBackThread::seekBeforeLoadIsRefused()
{
    const QString file = playbackfixture::writeLog(3);
    Player p(file);
    // Not loaded yet (the thread has not even started): refused, at row 0.
    p.worker->seek(2);
    QCOMPARE(p.positions, QList<int>{0});
    QCOMPARE(p.worker->getCurIndex(), 0);
    p.start();
    QVERIFY(p.waitLoaded());
    // The wake was not lost: once loaded, the stopped loop shows row 0.
    QVERIFY(p.waitRows(1));
    QCOMPARE(values(p.rows), QList<int>{0});
    QCOMPARE(p.worker->rowCount(), 3);
}

void TestPlayBackThread::stepsWhileStopped()
{
    const QString file = playbackfixture::writeLog(3);
    Player p(file);
    p.start();
    QVERIFY(p.waitLoaded());
    QCOMPARE(p.worker->getStatus(), int(PlayBackThread::STOPPED));

    p.worker->seek(1);
    QCOMPARE(p.positions, QList<int>{1});
    QVERIFY(p.waitRows(1));
    QCOMPARE(values(p.rows), QList<int>{1});

    // Next from row 1 gives row 2 once, with its logged stamp; no position.
    p.worker->next();
    QVERIFY(p.waitRows(2));
    QCOMPARE(p.rows.at(1).value, 2);
    QCOMPARE(p.rows.at(1).stamp, qint64(20));
    QCOMPARE(p.rows.at(1).jobs, 1);
    QCOMPARE(p.positions, QList<int>{1});
    QCOMPARE(p.worker->getCurIndex(), 2);

    // Next on the last row stays there; Prev twice reaches row 0 and stays.
    p.worker->next();
    QVERIFY(p.waitRows(3));
    QCOMPARE(p.rows.at(2).value, 2);
    p.worker->prev();
    QVERIFY(p.waitRows(4));
    p.worker->prev();
    QVERIFY(p.waitRows(5));
    p.worker->prev();
    QVERIFY(p.waitRows(6));
    QCOMPARE(values(p.rows), (QList<int>{1, 2, 2, 1, 0, 0}));

    // A seek outside the log is refused and reports the current row.
    p.worker->seek(3);
    QCOMPARE(p.positions.last(), 0);
    QVERIFY(p.waitRows(7));
    QCOMPARE(p.rows.last().value, 0);
    QVERIFY(p.stop());
}

void TestPlayBackThread::playsEveryRowOnceThenStops()
{
    // Three players on one log at once, each into the GUI thread: 50, 5 and
    // 0 ms between rows. Every row arrives once, in order, with its logged
    // stamp; each player then stops on the last row.
    const int n = 1000;
    const QString file = playbackfixture::writeLog(n, 10);
    const QList<int> speeds{50, 5, 0};
    std::vector<std::unique_ptr<Player>> players;
    for (int speed : speeds) {
        players.emplace_back(new Player(file, speed));
        players.back()->start();
    }
    for (auto &p : players) {
        QVERIFY(p->waitLoaded());
        QCOMPARE(p->worker->rowCount(), n);
        p->worker->startPlay();
    }
    for (auto &p : players) {
        QTRY_VERIFY_WITH_TIMEOUT(!p->playStatuses.isEmpty(), 240000);
        QCOMPARE(p->playStatuses, QList<int>{PlayBackThread::STOPPED});
        QCOMPARE(p->worker->getStatus(), int(PlayBackThread::STOPPED));
        QCOMPARE(p->worker->getCurIndex(), n - 1);
        QCOMPARE(p->rows.size(), n);
        QCOMPARE(values(p->rows), range(0, n));
        for (int i = 0; i < n; ++i) {
            QCOMPARE(p->rows.at(i).stamp, qint64(i) * 10);
            // At most one row in flight: while row i was being delivered
            // the worker had not moved on to emit row i + 1.
            QCOMPARE(p->rows.at(i).workerIndex, i);
        }
        QCOMPARE(p->positions, range(0, n));
        // Stopped on the last row, not repeating it: the next step shows it.
        p->worker->next();
        QVERIFY(p->waitRows(n + 1));
        QCOMPARE(p->rows.last().value, n - 1);
    }
}

void TestPlayBackThread::blankLinesAreNoRows()
{
    // The logger's log with a blank line after every line (as joined or
    // edited by hand): the rows are the logged ones, and playing ends on
    // the last of them, never on an empty row.
    const int n = 6;
    const QString file = playbackfixture::writeLog(n, 10);
    QFile f(file);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QByteArray bytes = f.readAll();
    f.close();
    bytes.replace("\r\n", "\r\n\r\n");
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes + "\n");
    f.close();
    QVERIFY(setWrittenAt(file, loggerfixture::t0()));

    Player p(file, 0);
    p.start();
    QVERIFY(p.waitLoaded());
    QCOMPARE(p.worker->rowCount(), n);
    p.worker->startPlay();
    QTRY_VERIFY_WITH_TIMEOUT(!p.playStatuses.isEmpty(), 60000);
    QCOMPARE(p.playStatuses, QList<int>{PlayBackThread::STOPPED});
    QCOMPARE(values(p.rows), range(0, n));
    for (const Row &row : qAsConst(p.rows))
        QCOMPARE(row.jobs, 1);
    QCOMPARE(p.worker->getCurIndex(), n - 1);
}

void TestPlayBackThread::pauseEndsAtOnceForQuitStopAndSeek()
{
    // With a pause of a minute, each control must end the pause well before
    // the pause would have: the bounds below are generous, not timings.
    const QString file = playbackfixture::writeLog(1000);
    const int pause = 60000;
    {
        Player p(file, pause);
        p.start();
        QVERIFY(p.waitLoaded());
        p.worker->startPlay();
        // A seek while playing shows the row at once, then plays on from it.
        p.worker->seek(500);
        QVERIFY(p.waitRows(1, pause / 2));
        QCOMPARE(p.rows.first().value, 500);
        // Stop in the pause: no row after it; the current row stays 500.
        p.worker->stopPlay();
        QCOMPARE(p.worker->getStatus(), int(PlayBackThread::STOPPED));
        p.worker->next();
        QVERIFY(p.waitRows(2, pause / 2));
        QCOMPARE(values(p.rows), (QList<int>{500, 501}));
        // Quit in the pause of a playing loop returns promptly.
        p.worker->startPlay();
        QElapsedTimer t;
        t.start();
        QVERIFY(p.stop(pause / 2));
        QVERIFY2(t.elapsed() < pause / 2, qPrintable(QString::number(t.elapsed())));
        QCOMPARE(values(p.rows), (QList<int>{500, 501}));
    }
    {
        // Quit while stopped, waiting for a control.
        Player p(file, pause);
        p.start();
        QVERIFY(p.waitLoaded());
        QVERIFY(p.stop(pause / 2));
    }
}

void TestPlayBackThread::shorterPauseWhilePlaying()
{
    const QString file = playbackfixture::writeLog(50);
    Player p(file, 60000);
    p.start();
    QVERIFY(p.waitLoaded());
    p.worker->startPlay();
    // The first row waits for its minute; a pause of 0 takes over at once
    // for the rows after it and the log plays to its end.
    p.worker->setSpeed(0);
    QCOMPARE(p.worker->getSpeed(), 0);
    p.worker->seek(0);
    QTRY_VERIFY_WITH_TIMEOUT(!p.playStatuses.isEmpty(), 30000);
    QCOMPARE(values(p.rows), range(0, 50));
    p.worker->setSpeed(-5);
    QCOMPARE(p.worker->getSpeed(), 0);
}

void TestPlayBackThread::controlsFromTheGuiWhilePlaying()
{
    // Every control from the GUI thread while rows flow: under
    // ThreadSanitizer this is the check of the worker's locking.
    const QString file = playbackfixture::writeLog(400);
    Player p(file, 0);
    p.start();
    QVERIFY(p.waitLoaded());
    QRandomGenerator random(19);
    for (int i = 0; i < 400; ++i) {
        switch (random.bounded(7)) {
        case 0:
            p.worker->startPlay();
            break;
        case 1:
            p.worker->stopPlay();
            break;
        case 2:
            p.worker->seek(random.bounded(450));
            break;
        case 3:
            p.worker->next();
            break;
        case 4:
            p.worker->prev();
            break;
        case 5:
            p.worker->setSpeed(random.bounded(3));
            break;
        default:
            QCoreApplication::processEvents();
        }
        (void)p.worker->getStatus();
        (void)p.worker->getCurIndex();
        (void)p.worker->rowCount();
    }
    QCoreApplication::processEvents();
    for (const Row &r : qAsConst(p.rows)) {
        QVERIFY(r.value >= 0 && r.value < 400);
        QCOMPARE(r.stamp, qint64(r.value) * 10);
    }
    QVERIFY(p.stop());
}

KELVO_GUI_TEST_MAIN(TestPlayBackThread)
#include "tst_playbackthread.moc"
