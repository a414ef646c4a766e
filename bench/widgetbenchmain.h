#pragma once
// The main of a benchmark that builds widgets: a QApplication on the
// offscreen platform unless the caller picks one with "-platform", then
// Google Benchmark's own run.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <string>
#include <vector>

inline int runWidgetBenchmarks(int argc, char **argv)
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
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
