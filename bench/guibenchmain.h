#pragma once
// The main of a benchmark that draws widgets: a QApplication on the
// offscreen platform unless the caller picks one ("-platform xcb"), then
// every benchmark the command line selects.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <string>
#include <vector>

inline int runGuiBenchmarks(int argc, char **argv)
{
    std::vector<char *> args(argv, argv + argc);
    bool hasPlatform = false;
    for (int i = 1; i < argc; ++i)
        hasPlatform = hasPlatform || std::string(argv[i]) == "-platform";
    static char platform[] = "-platform";
    static char offscreen[] = "offscreen";
    if (!hasPlatform) {
        args.push_back(platform);
        args.push_back(offscreen);
    }
    int qargc = int(args.size());
    QApplication app(qargc, args.data());
    // Qt has taken its own options ("-platform xcb") out of the list.
    benchmark::Initialize(&qargc, args.data());
    if (benchmark::ReportUnrecognizedArguments(qargc, args.data()))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}

// The same in a temporary working directory, with the record types that
// cross threads registered.
#include "jobmetatypes.h"

#include <QDir>
#include <QTemporaryDir>

inline int runGuiBenchmarksInTempDir(int argc, char **argv)
{
    JobMetaTypes::registerAll();
    QTemporaryDir dir;
    QDir::setCurrent(dir.path());
    return runGuiBenchmarks(argc, argv);
}
