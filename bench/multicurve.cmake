kelvo_bench(NAME bench_multicurve SOURCES bench_multicurve.cpp)
