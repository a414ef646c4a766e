#pragma once
// Replays a CSV log from a thread of its own. Stopped, it shows the row the
// window steps or scrubs to; playing, it emits one row after another, one
// pause apart, and stops by itself on the last row.
//
// The controls are called from the window's (GUI) thread while runLoop()
// runs in the worker's thread: every piece of state they share lives under
// one mutex, and every wait is a wait on its condition with the reason to
// wake recorded first, so no wake is lost between a test and a wait. Rows
// are read and parsed in the worker's thread only.
//
// The pause is measured from a fixed schedule (row n is due n pauses after
// the start), so rows do not drift; a window held up for long restarts the
// schedule instead of receiving the missed rows in a burst. At most one
// emitted row is waiting in the thread that created the player: the next is
// emitted only after that thread's event loop has delivered the previous
// one, so even a pause of 0 cannot flood the window with queued rows.
#include "cjob.h"
#include "csvjobparser.h"
#include "kelvolog.h"
#include "playback.h"

#include <QHash>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>
#include <memory>

class PlayBackThread : public QObject
{
    Q_OBJECT
public:
    enum Status { PLAYING = 0, STOPPED = 1 };
    enum FileStatus { Loading = 0, Loaded = 1, LoadFailed = 2 };
    enum { DefaultSpeed = 250 };
    // Rows up to this late are caught up with; later, the schedule restarts.
    enum { CatchUpMs = 1000 };

    explicit PlayBackThread(QObject *parent = nullptr);
    ~PlayBackThread() override;

    void setFileName(const QString &name);
    // The pause between two rows in milliseconds (negative counts as 0);
    // it takes effect from the next row.
    void setSpeed(int ms);
    int getSpeed() const;
    int getStatus() const;
    // The current row: the one last shown, or the one a control chose.
    int getCurIndex() const;
    // Data rows of the loaded log; 0 until it has loaded.
    int rowCount() const;
    // The log's column table, once loaded (a copy: safe from any thread).
    QHash<int, JobInfo> columns() const;
    // Why the load failed (empty while it has not).
    QString errorString() const;
    // What the load left out or could not read (empty before it loaded).
    QStringList warnings() const;
    // Ends the loop at once, from whatever wait it is in.
    void quit();

signals:
    void positionChanged(int index);
    void fileStatusChanged(int status);
    void jobsReady(QList<CJob> jobs);
    // The player stopped or started by itself or by a control (STOPPED
    // when playing reached the last row).
    void statusChanged(int status);
    // A row was emitted (internal: paces the next one).
    void rowPosted();

public slots:
    void runLoop();
    void next();
    void prev();
    void seek(quint32 pos);
    void startPlay();
    void stopPlay();

private:
    struct Shared;

    // Emits one row from the worker's thread; at most one is in flight.
    void emitRow(const QList<CJob> &jobs);
    void stepTo(int target);

    PlayBack engine;
    QString fileName;
    std::shared_ptr<Shared> shared;
    QObject *pacer = nullptr;
    log4cplus::Logger logger;
};
