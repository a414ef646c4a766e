kelvo_bench(NAME bench_ediabas SOURCES bench_ediabas.cpp)
