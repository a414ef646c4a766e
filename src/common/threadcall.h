#pragma once
// Runs a function in the thread of a QObject: at once when the caller is
// already in that thread, else queued behind the events already posted to
// that thread, so calls keep their order with queued signals. The hand-over
// is annotated for ThreadSanitizer, which cannot see the locks of Qt's event
// queue (Debian's Qt is not instrumented).
#include <QObject>
#include <functional>

class ThreadCall
{
public:
    static void run(QObject *target, std::function<void()> fn);
};
