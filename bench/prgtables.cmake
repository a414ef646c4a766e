kelvo_bench(NAME bench_prgtables SOURCES bench_prgtables.cpp)
