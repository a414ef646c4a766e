#pragma once
// main() of the benchmarks that need widgets: offscreen, the record types
// registered for queued signals, a temporary working directory.
#include "jobmetatypes.h"

#include <QApplication>
#include <QDir>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

#define KELVO_GUI_BENCH_MAIN()                                                                                         \
    int main(int argc, char **argv)                                                                                    \
    {                                                                                                                  \
        qputenv("QT_QPA_PLATFORM", "offscreen");                                                                       \
        QApplication app(argc, argv);                                                                                  \
        JobMetaTypes::registerAll();                                                                                   \
        QTemporaryDir dir;                                                                                             \
        QDir::setCurrent(dir.path());                                                                                  \
        benchmark::Initialize(&argc, argv);                                                                            \
        benchmark::RunSpecifiedBenchmarks();                                                                           \
        return 0;                                                                                                      \
    }
