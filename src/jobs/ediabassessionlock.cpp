#include "ediabassessionlock.h"

#include "programclosing.h"

#include <QCoreApplication>
#include <QThread>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace {

std::mutex m;
std::condition_variable freed;
std::thread::id owner;
int depth = 0;  // guarded by m

// Per thread: inside event processing on behalf of a holder or a waiter.
thread_local int pumping = 0;

bool inGuiThread()
{
    const QCoreApplication *app = QCoreApplication::instance();
    return app && QThread::currentThread() == app->thread();
}

} // namespace

EdiabasSessionLock::EdiabasSessionLock()
{
    const std::thread::id me = std::this_thread::get_id();
    std::unique_lock<std::mutex> lk(m);
    if (depth > 0 && owner == me) {
        if (pumping > 0)
            return;
        ++depth;
        locked = true;
        return;
    }
    if (pumping > 0)
        return;
    if (inGuiThread()) {
        while (depth > 0) {
            // The program's close does not wait for another thread's job:
            // the GUI thread's waits must end for the process to end.
            if (ProgramClosing::announced())
                return;
            lk.unlock();
            ++pumping;
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
            --pumping;
            lk.lock();
            if (depth > 0)
                freed.wait_for(lk, std::chrono::milliseconds(5));
        }
    } else {
        freed.wait(lk, [] { return depth == 0; });
    }
    owner = me;
    depth = 1;
    locked = true;
}

EdiabasSessionLock::~EdiabasSessionLock()
{
    unlock();
}

void EdiabasSessionLock::unlock()
{
    if (!locked)
        return;
    locked = false;
    std::lock_guard<std::mutex> lk(m);
    if (--depth == 0) {
        owner = std::thread::id();
        freed.notify_all();
    }
}

void EdiabasSessionLock::processEvents()
{
    ++pumping;
    QCoreApplication::processEvents();
    --pumping;
}

bool EdiabasSessionLock::isHeldByCurrentThread()
{
    std::lock_guard<std::mutex> lk(m);
    return depth > 0 && owner == std::this_thread::get_id();
}
