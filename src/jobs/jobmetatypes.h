#pragma once
// Registers the record types that cross threads in queued signals: "CJob"
// (with its stream operators, for "kelvo.ini"), "CJobResult",
// "CJobResultPair", "QList<CJob>", "SerialPortSettings" and "JobQueue::Event".
// Done once at library start-up; calling it again is harmless.
class JobMetaTypes
{
public:
    static void registerAll();
};
