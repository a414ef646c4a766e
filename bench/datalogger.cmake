kelvo_bench(NAME bench_datalogger SOURCES bench_datalogger.cpp)
