kelvo_bench(NAME bench_gauges SOURCES bench_gauges.cpp)
