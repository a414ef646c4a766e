#include "playbackthread.h"

#include "tsanannotate.h"

#include <QThread>
#include <chrono>
#include <condition_variable>
#include <mutex>

// Everything the controls and the loop share. The pacer's acknowledgement
// may arrive after the player is gone, so it holds this block, not the
// player.
struct PlayBackThread::Shared
{
    std::mutex mutex;
    std::condition_variable wake;
    int status = STOPPED;
    int position = 0;  // the row the playing loop emits next
    int index = 0;     // the current row
    int rows = 0;      // data rows, once loaded
    bool loaded = false;
    bool quit = false;
    int speed = DefaultSpeed;
    // A control asked the stopped loop to show the current row.
    bool stepPending = false;
    // Bumped by every control that ends the playing loop's pause.
    unsigned generation = 0;
    // The next row is due at once (after a seek while playing).
    bool emitNow = false;
    // A row was emitted and its delivery not yet acknowledged.
    bool inFlight = false;
    QHash<int, JobInfo> columns;
    QString error;
    QStringList warnings;
};

PlayBackThread::PlayBackThread(QObject *parent)
    : QObject(parent)
    , engine(this)
    , shared(std::make_shared<Shared>())
    // Lives in the creating (window's) thread: its queued acknowledgement
    // runs there after the row queued before it.
    , pacer(new QObject)
    , logger(KelvoLog::get("playback"))
{
    // The acknowledgement holds the shared block, not the player, which may
    // be gone by the time it runs.
    std::shared_ptr<Shared> s = shared;
    connect(
        this, &PlayBackThread::rowPosted, pacer,
        [s] {
            {
                std::lock_guard<std::mutex> lock(s->mutex);
                s->inFlight = false;
            }
            s->wake.notify_all();
        },
        Qt::QueuedConnection);
}

PlayBackThread::~PlayBackThread()
{
    // Usually run in the worker's thread once it has finished: after the
    // window's last call (quit), which reached it through Qt's thread end,
    // a hand-over ThreadSanitizer cannot see in Debian's Qt.
    KELVO_TSAN_ACQUIRE(shared.get());
    quit();
    if (pacer->thread() == QThread::currentThread())
        delete pacer;
    else
        pacer->deleteLater();
}

void PlayBackThread::setFileName(const QString &name)
{
    fileName = name;
}

void PlayBackThread::setSpeed(int ms)
{
    std::lock_guard<std::mutex> lock(shared->mutex);
    shared->speed = qMax(0, ms);
}

int PlayBackThread::getSpeed() const
{
    std::lock_guard<std::mutex> lock(shared->mutex);
    return shared->speed;
}

int PlayBackThread::getStatus() const
{
    std::lock_guard<std::mutex> lock(shared->mutex);
    return shared->status;
}

int PlayBackThread::getCurIndex() const
{
    std::lock_guard<std::mutex> lock(shared->mutex);
    return shared->index;
}

int PlayBackThread::rowCount() const
{
    std::lock_guard<std::mutex> lock(shared->mutex);
    return shared->rows;
}

QHash<int, JobInfo> PlayBackThread::columns() const
{
    std::lock_guard<std::mutex> lock(shared->mutex);
    return shared->columns;
}

QString PlayBackThread::errorString() const
{
    std::lock_guard<std::mutex> lock(shared->mutex);
    return shared->error;
}

QStringList PlayBackThread::warnings() const
{
    std::lock_guard<std::mutex> lock(shared->mutex);
    return shared->warnings;
}

void PlayBackThread::quit()
{
    {
        std::lock_guard<std::mutex> lock(shared->mutex);
        shared->quit = true;
    }
    shared->wake.notify_all();
    KELVO_TSAN_RELEASE(shared.get());
}

void PlayBackThread::stepTo(int target)
{
    {
        std::lock_guard<std::mutex> lock(shared->mutex);
        if (shared->loaded && target >= 0 && target < shared->rows)
            shared->index = target;
        shared->stepPending = true;
    }
    shared->wake.notify_all();
}

void PlayBackThread::next()
{
    int target;
    {
        std::lock_guard<std::mutex> lock(shared->mutex);
        target = shared->index + 1;
    }
    stepTo(target);
}

void PlayBackThread::prev()
{
    int target;
    {
        std::lock_guard<std::mutex> lock(shared->mutex);
        target = shared->index - 1;
    }
    stepTo(target);
}

void PlayBackThread::seek(quint32 pos)
{
    int index;
    {
        std::lock_guard<std::mutex> lock(shared->mutex);
        if (shared->loaded && pos < quint32(shared->rows))
            shared->index = int(pos);
        else
            LOG4CPLUS_DEBUG_FMT(logger, "seek to %u refused", pos);
        shared->position = shared->index;
        if (shared->status == PLAYING) {
            ++shared->generation;
            shared->emitNow = true;
        } else {
            shared->stepPending = true;
        }
        index = shared->index;
    }
    shared->wake.notify_all();
    emit positionChanged(index);
}

void PlayBackThread::startPlay()
{
    {
        std::lock_guard<std::mutex> lock(shared->mutex);
        if (shared->status == PLAYING)
            return;
        shared->status = PLAYING;
        shared->position = shared->index;
        ++shared->generation;
        shared->emitNow = false;
    }
    shared->wake.notify_all();
}

void PlayBackThread::stopPlay()
{
    {
        std::lock_guard<std::mutex> lock(shared->mutex);
        if (shared->status == STOPPED)
            return;
        shared->status = STOPPED;
        shared->position = shared->index;
        ++shared->generation;
    }
    shared->wake.notify_all();
}

void PlayBackThread::emitRow(const QList<CJob> &jobs)
{
    emit jobsReady(jobs);
    // Queued behind the row in the creating thread's event queue: the pacer
    // hears of it once the row has been delivered there.
    emit rowPosted();
}

void PlayBackThread::runLoop()
{
    using Clock = std::chrono::steady_clock;
    Shared &s = *shared;

    emit fileStatusChanged(Loading);
    const bool ok = engine.load(fileName);
    {
        std::lock_guard<std::mutex> lock(s.mutex);
        if (ok) {
            s.rows = engine.rowCount();
            s.columns = engine.parser().columns();
            s.warnings = engine.warnings();
            s.loaded = true;
        } else {
            s.error = engine.errorString();
        }
    }
    if (!ok) {
        LOG4CPLUS_ERROR_FMT(logger, "playback of %s failed: %s", KELVO_QS(fileName), KELVO_QS(errorString()));
        emit fileStatusChanged(LoadFailed);
        return;
    }
    LOG4CPLUS_INFO_FMT(logger, "playing %s: %d rows", KELVO_QS(fileName), rowCount());
    emit fileStatusChanged(Loaded);

    Clock::time_point due = Clock::now();
    unsigned scheduledFor = 0;
    bool scheduled = false;
    std::unique_lock<std::mutex> lock(s.mutex);
    while (!s.quit) {
        if (s.status == STOPPED) {
            scheduled = false;
            s.wake.wait(lock, [&s] { return s.quit || s.stepPending || s.status != STOPPED; });
            if (s.quit || s.status != STOPPED)
                continue;
            s.stepPending = false;
            const int row = s.index;
            s.inFlight = true;
            lock.unlock();
            const QList<CJob> jobs = engine.seek(row);
            emitRow(jobs);
            lock.lock();
            continue;
        }

        // Playing.
        if (s.position >= s.rows) {
            // Stay on the last row instead of repeating it into the charts.
            s.status = STOPPED;
            s.position = s.index;
            lock.unlock();
            LOG4CPLUS_DEBUG(logger, "end of log: stopped");
            emit statusChanged(STOPPED);
            lock.lock();
            continue;
        }
        const unsigned generation = s.generation;
        const int row = s.position;
        const Clock::time_point now = Clock::now();
        const auto pause = std::chrono::milliseconds(s.speed);
        if (s.emitNow) {
            due = now;
            s.emitNow = false;
        } else if (!scheduled || scheduledFor != generation) {
            due = now + pause;
        } else {
            due += pause;
            // A short hold-up (a busy window) is made up, so the rows keep
            // to their schedule; after a long one the schedule starts afresh
            // rather than the rows catching up in a burst.
            if (due + std::chrono::milliseconds(CatchUpMs) < now)
                due = now;
        }
        scheduled = true;
        scheduledFor = generation;

        lock.unlock();
        const QList<CJob> jobs = engine.seek(row);
        lock.lock();

        auto interrupted = [&s, generation] { return s.quit || s.generation != generation; };
        s.wake.wait_until(lock, due, interrupted);
        if (interrupted())
            continue;
        s.wake.wait(lock, [&] { return interrupted() || !s.inFlight; });
        if (interrupted())
            continue;
        s.index = row;
        s.position = row + 1;
        s.stepPending = false;
        s.inFlight = true;
        lock.unlock();
        emit positionChanged(row);
        emitRow(jobs);
        lock.lock();
    }
    lock.unlock();
    LOG4CPLUS_DEBUG(logger, "playbackthread quiting!!");
}
