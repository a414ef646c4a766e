#pragma once
// A job listener for tests: records every onJobFinished(CJob,int) it is
// given, in order, in the thread it lives in (connect sources queued, as
// the program does, and let the event loop run while waiting).
#include "cjob.h"

#include <QList>
#include <QObject>

class JobSink : public QObject
{
    Q_OBJECT
public:
    struct Entry
    {
        CJob job;
        int result = 0;
    };

    explicit JobSink(QObject *parent = nullptr);

    const QList<Entry> &entries() const { return received; }
    int count() const { return received.size(); }
    // Entries with that result code.
    int count(int result) const;
    const CJob &last() const { return received.last().job; }
    // Processes events until at least n entries arrived; false on time-out.
    bool waitFor(int n, int timeoutMs);
    void clear() { received.clear(); }

public slots:
    void onJobFinished(CJob job, int result);

private:
    QList<Entry> received;
};
