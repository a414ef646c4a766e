kelvo_bench(NAME bench_telegrams SOURCES bench_telegrams.cpp)
