#pragma once
// Runs a function in the thread of a QObject: at once when the caller is
// already in that thread, else queued behind the events already posted to
// it, so calls keep their order with queued signals. The target forwards the
// event from its event() override:
//     bool event(QEvent *e) override { return ThreadCall::handle(e) || QObject::event(e); }
// The hand-over is annotated for ThreadSanitizer, which cannot see the locks
// of Qt's event queue.
#include <QEvent>
#include <QObject>
#include <functional>

class ThreadCall
{
public:
    static void run(QObject *target, std::function<void()> fn);
    static bool handle(QEvent *event);
    static QEvent::Type eventType();
};
