#pragma once
// Feeds finished jobs to plot windows the way the program does: through the
// job receiver living in a thread of its own, with queued connections.
#include "cjob.h"

#include <QObject>
#include <QThread>
#include <QVariantList>

class PlotWindow;

class PlotWindowFeed
{
public:
    // A result of a job: name, format code and value as the runner fills it.
    struct Value
    {
        const char *name;
        int format;
        double value;
        const char *unit = "";
        const char *text = nullptr; // overrides the text value
    };

    // Moves the receiver into its thread once per process.
    static void startReceiver();
    static void stopReceiver();
    static void connect(PlotWindow *window);
    // Any other listener with a slot onJobFinished(CJob,int): a gauge
    // screen, a chart, a logger window.
    static void connect(QObject *listener);
    // Takes every job out of the queue (between test cases).
    static void emptyQueue();
    // Queued hand-over to the receiver, as the runner thread does.
    static void send(const CJob &job, int result = 0);
    static CJob makeJob(const char *ecu, const char *name, const QList<Value> &values,
                        qint64 timeStamp = 0);
};
