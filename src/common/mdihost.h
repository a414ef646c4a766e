#pragma once
// What a window below the application shell may ask of the main window when
// it opens windows of its own: a sub-window in the MDI area, a place in the
// job stream, the window's size and the ECU the user last chose. The main
// window answers it; tests pass a small fake.
#include <QSize>
#include <QString>

class QMdiSubWindow;
class QObject;
class QWidget;

class MdiHost
{
public:
    virtual ~MdiHost() = default;

    // Adds the widget to the MDI area without window flags.
    virtual QMdiSubWindow *addSubWindow(QWidget *widget) = 0;
    // Every finished job then reaches the listener's onJobFinished(CJob,int),
    // queued into the GUI thread.
    virtual bool connectJobListener(QObject *listener) = 0;
    virtual QString currentEcu() = 0;
    // The main window's width and height.
    virtual QSize hostSize() const = 0;
};
