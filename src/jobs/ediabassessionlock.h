#pragma once
// The process-wide EDIABAS session lock. EDIABAS has one handle, one state
// and one result area per process, so one job transaction (apiJob up to the
// last apiErrorText), apiInit and apiEnd each run while holding it:
//
//     {
//         EdiabasSessionLock lock;
//         if (!lock.isLocked())
//             return;            // refused: see below
//         apiJob(...); ... apiErrorText();
//     }
//
// - In a worker thread the constructor blocks until the lock is free.
// - In the GUI thread it never blocks the event loop: it tries the lock and
//   processes events between tries until it gets it, or until the program
//   closes (refused then).
// - The same thread may take it again while it holds it (nested helpers),
//   except from inside event processing: a guard made while its thread
//   waits for the lock in the GUI loop above, or while the holder processes
//   events through EdiabasSessionLock::processEvents(), is refused
//   (isLocked() false), so a second transaction is never nested inside a
//   running one. Holders that let events run must use processEvents() below,
//   not QCoreApplication::processEvents() directly.
// - No signal may be emitted while the lock is held.
class EdiabasSessionLock
{
public:
    EdiabasSessionLock();
    ~EdiabasSessionLock();
    EdiabasSessionLock(const EdiabasSessionLock &) = delete;
    EdiabasSessionLock &operator=(const EdiabasSessionLock &) = delete;

    // False when the guard was refused (re-entry from event processing).
    bool isLocked() const { return locked; }
    // Gives the lock back before the guard goes (no-op when not held).
    void unlock();

    // Processes pending events on behalf of a holder (or of a thread waiting
    // for the lock); guards made during it are refused.
    static void processEvents();
    static bool isHeldByCurrentThread();

private:
    bool locked = false;
};
