#pragma once
// What the external-source setup window needs of the main window: a plot
// window for a source's pseudo job, and the job receiver that hands every
// reading on to all job listeners. The main window answers it; tests pass
// their own host.
#include <Qt>

class CJob;
class PlotWindow;
class QObject;

class ExtSourceHost
{
public:
    // Creates and registers a plot window for the job, not shown yet.
    virtual PlotWindow &createPlotWindow(CJob &job, Qt::WindowFlags flags) = 0;
    // The receiver whose onJobFinished(CJob,int) re-emits to every listener.
    virtual QObject *jobReceiver() = 0;

protected:
    ~ExtSourceHost() = default;
};
