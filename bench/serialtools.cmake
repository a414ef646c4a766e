kelvo_bench(NAME bench_serialtools SOURCES bench_serialtools.cpp)
