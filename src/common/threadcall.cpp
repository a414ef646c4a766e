#include "threadcall.h"

#include <QCoreApplication>
#include <QThread>

#if defined(__SANITIZE_THREAD__)
extern "C" void __tsan_acquire(void *addr);
extern "C" void __tsan_release(void *addr);
#define KELVO_TSAN_RELEASE(p) __tsan_release(p)
#define KELVO_TSAN_ACQUIRE(p) __tsan_acquire(p)
#else
#define KELVO_TSAN_RELEASE(p) ((void)(p))
#define KELVO_TSAN_ACQUIRE(p) ((void)(p))
#endif

namespace {
class CallEvent : public QEvent
{
public:
    explicit CallEvent(std::function<void()> f)
        : QEvent(ThreadCall::eventType()), fn(std::move(f))
    {
    }
    std::function<void()> fn;
};
}

QEvent::Type ThreadCall::eventType()
{
    static const QEvent::Type type = QEvent::Type(QEvent::registerEventType());
    return type;
}

void ThreadCall::run(QObject *target, std::function<void()> fn)
{
    if (!target)
        return;
    if (QThread::currentThread() == target->thread()) {
        fn();
        return;
    }
    auto *event = new CallEvent(std::move(fn));
    KELVO_TSAN_RELEASE(event);
    QCoreApplication::postEvent(target, event);
}

bool ThreadCall::handle(QEvent *event)
{
    if (event->type() != eventType())
        return false;
    KELVO_TSAN_ACQUIRE(event);
    static_cast<CallEvent *>(event)->fn();
    return true;
}
