#pragma once
// Program-wide times in milliseconds since the epoch: the program start
// (zero point of time axes) and the CAN adapter's start. Both are read and
// written atomically, from any thread.
#include <QtGlobal>
#include <atomic>

class KelvoGlobalData
{
public:
    static KelvoGlobalData *instance();

    qint64 startTime() const { return m_startTime.load(); }
    void setStartTime(qint64 ms) { m_startTime.store(ms); }
    qint64 canAdapterStartTime() const { return m_canAdapterStartTime.load(); }
    void setCanAdapterStartTime(qint64 ms) { m_canAdapterStartTime.store(ms); }

private:
    KelvoGlobalData() = default;
    std::atomic<qint64> m_startTime{0};
    std::atomic<qint64> m_canAdapterStartTime{0};
};
