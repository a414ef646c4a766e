// ThreadSanitizer builds only. Debian's Qt is not instrumented, so the locks
// of its event queues are invisible and every queued signal looks like a
// race between the sender's copy of the arguments and the receiver's read.
// A signal's end releases, and every event delivery acquires, one token:
// that restores the ordering the queue gives (and makes TSan a little more
// lenient about threads that talk through signals).
#if defined(__SANITIZE_THREAD__)
#include <QCoreApplication>
#include <QObject>

extern "C" void __tsan_acquire(void *addr);
extern "C" void __tsan_release(void *addr);

struct QSignalSpyCallbackSet
{
    typedef void (*BeginCallback)(QObject *caller, int signal_or_method_index, void **argv);
    typedef void (*EndCallback)(QObject *caller, int signal_or_method_index);
    BeginCallback signal_begin_callback, slot_begin_callback;
    EndCallback signal_end_callback, slot_end_callback;
};
void Q_CORE_EXPORT qt_register_signal_spy_callbacks(QSignalSpyCallbackSet *callback_set);

namespace {
char token;

void signalEnd(QObject *, int)
{
    __tsan_release(&token);
}

bool eventDelivered(void **)
{
    __tsan_acquire(&token);
    return false;
}

void install()
{
    static QSignalSpyCallbackSet set{nullptr, nullptr, signalEnd, nullptr};
    qt_register_signal_spy_callbacks(&set);
    QInternal::registerCallback(QInternal::EventNotifyCallback, eventDelivered);
}
}

Q_COREAPP_STARTUP_FUNCTION(install)
#endif
