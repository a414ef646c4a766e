#include "threadcall.h"

#include <QCoreApplication>
#include <QEvent>
#include <QPointer>
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
// Lives in the target's thread for one call; never runs the function once
// the target is gone.
class CallCarrier : public QObject
{
public:
    CallCarrier(QObject *target, std::function<void()> f)
        : receiver(target), fn(std::move(f))
    {
    }
    bool event(QEvent *e) override
    {
        KELVO_TSAN_ACQUIRE(this);
        if (e->type() != QEvent::User)
            return QObject::event(e);
        if (receiver)
            fn();
        fn = nullptr;
        deleteLater();
        return true;
    }

private:
    QPointer<QObject> receiver;
    std::function<void()> fn;
};
}

void ThreadCall::run(QObject *target, std::function<void()> fn)
{
    if (!target)
        return;
    if (QThread::currentThread() == target->thread()) {
        fn();
        return;
    }
    auto *carrier = new CallCarrier(target, std::move(fn));
    carrier->moveToThread(target->thread());
    auto *event = new QEvent(QEvent::User);
    KELVO_TSAN_RELEASE(carrier);
    QCoreApplication::postEvent(carrier, event);
}
