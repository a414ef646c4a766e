#pragma once
// The main window's close ends the program, and nothing in flight may hold
// the process up after it: a wait in the GUI thread (an upload, a trace
// run, an ECU detection) gives up, a direct EDIABAS job is broken off. The
// main window announces the close; the others ask announced(), from any
// thread, or connect to closing().
#include <QObject>

class QThread;

class ProgramClosing : public QObject
{
    Q_OBJECT
public:
    // Lives in the thread that first asks for it (the GUI thread).
    static ProgramClosing *instance();
    // The main window's close handler: sets the flag and emits closing().
    static void announce();
    // A main window is built: nothing is closing.
    static void reset();
    static bool announced();

    // A thread that belongs to no window (it ends on its own after its one
    // task) is waited for when the program ends, instead of running on
    // into the process's exit.
    static void waitAtEnd(QThread *thread);
    // The main window's destructor: waits for those threads, at most ms in
    // all; false when one still runs.
    static bool waitForThreads(int ms);

signals:
    void closing();

private:
    ProgramClosing() = default;
};
