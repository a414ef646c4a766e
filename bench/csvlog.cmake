kelvo_bench(NAME bench_csvlog SOURCES bench_csvlog.cpp)
