kelvo_bench(NAME bench_innovate SOURCES bench_innovate.cpp)
