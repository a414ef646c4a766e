kelvo_bench(NAME bench_realtimecpu SOURCES bench_realtimecpu.cpp)
