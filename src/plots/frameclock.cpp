#include "frameclock.h"

#include <QCoreApplication>
#include <QPointer>

namespace {
QPointer<FrameClock> theClock;
}

FrameClock *FrameClock::instance()
{
    if (!theClock)
        theClock = new FrameClock(QCoreApplication::instance());
    return theClock;
}

FrameClock::FrameClock(QObject *parent)
    : QObject(parent)
{
    m_timer.setSingleShot(true);
    m_timer.setInterval(FrameMs);
    connect(&m_timer, &QTimer::timeout, this, &FrameClock::frame);
}

void FrameClock::request()
{
    if (!m_timer.isActive())
        m_timer.start();
}
