kelvo_bench(NAME bench_fanout SOURCES bench_fanout.cpp)
