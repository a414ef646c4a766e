#pragma once
// The program as a new user of scripts/demo.sh meets it: the demo directory
// copied into a fresh working directory, "kelvo simulation" started there in
// a window of 1280 x 1000, and jobs chosen in the ECU list by clicking.
#include "workdir.h"

#include <QString>
#include <memory>

class MainWindow;
class QWidget;

class DemoSession
{
public:
    // demo: the source tree's demo/ directory.
    explicit DemoSession(const QString &demo);
    ~DemoSession();

    // The demo was copied and the main window is shown and active.
    bool isReady() const { return ready; }
    MainWindow &window() { return *mainWindow; }
    const WorkDir &workDir() const { return wd; }

    // Clicks the ECU, then double-clicks the job shown under that title;
    // false (with a warning) when either is not listed.
    bool chooseJob(const QString &ecu, const QString &jobTitle);

    // With the environment variable naming a directory, saves the widget as
    // <name>.png there (and, with wholeScreen, the screen as
    // <name>-screen.png, which shows dialogs of their own too).
    static void shoot(QWidget *widget, const char *directoryVariable, const QString &name, bool wholeScreen = false);

private:
    WorkDir wd;
    std::unique_ptr<MainWindow> mainWindow;
    bool ready = false;
};
