kelvo_bench(NAME bench_chart2d SOURCES bench_chart2d.cpp)
