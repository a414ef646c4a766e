#pragma once
// What a quiet stretch costs the test process: the CPU time of all its
// threads while the event loop runs for a while. A window or source that
// keeps polling a dead port spins a core; one that has let it go costs next
// to nothing. CPU time, not wall time, so a loaded machine does not inflate
// it.
class CpuTime
{
public:
    // Seconds of CPU time the process has used so far (user and system).
    static double processSeconds();
    // The CPU seconds used while the event loop runs for ms.
    static double whileRunning(int ms);
};
