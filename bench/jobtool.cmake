kelvo_bench(NAME bench_jobtool SOURCES bench_jobtool.cpp)
