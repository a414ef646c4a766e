#pragma once
// What the data-logger window reads of the main window: the open plot
// windows (their first curves are the logged columns) and a place in the job
// stream. The main window answers it; tests may pass a small fake.
#include <QList>

class PlotWindow;
class QObject;

class LoggingWindowHost
{
public:
    virtual ~LoggingWindowHost() = default;

    // The plot windows among the MDI sub-windows, in creation order.
    virtual QList<PlotWindow *> plotWindows() = 0;
    // Every finished job then reaches the listener's onJobFinished(CJob,int),
    // queued into the GUI thread.
    virtual bool connectJobListener(QObject *listener) = 0;
};
