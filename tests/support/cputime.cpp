#include "cputime.h"

#include <QEventLoop>
#include <QTimer>
#include <time.h>

double CpuTime::processSeconds()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

double CpuTime::whileRunning(int ms)
{
    const double before = processSeconds();
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
    return processSeconds() - before;
}
