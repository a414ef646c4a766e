kelvo_bench(NAME bench_can SOURCES bench_can.cpp)
