#pragma once
// What a window below the application needs of the main window to open
// windows of its own: a place in the MDI area. The main window answers it;
// tests and other hosts may pass their own.
class QMdiSubWindow;
class QWidget;

class SubWindowHost
{
public:
    // Adds the widget as a sub-window without window flags; the area owns it.
    virtual QMdiSubWindow *addSubWindow(QWidget *widget) = 0;

protected:
    ~SubWindowHost() = default;
};
