#pragma once
// The program as a new user of scripts/demo.sh meets it: the demo directory
// copied into the test's working directory, and jobs chosen in the ECU list
// by clicking, as the user does.
#include <QString>

class MainWindow;
class WorkDir;

class DemoSession
{
public:
    // Copies every file below the demo directory (the source tree's demo/)
    // into the working directory.
    static bool copyDemo(const QString &demo, const WorkDir &wd);
    // Clicks the ECU, then double-clicks the job shown under that title;
    // false (with a warning) when either is not listed.
    static bool chooseJob(MainWindow &w, const QString &ecu, const QString &jobTitle);
};
