kelvo_bench(NAME bench_plotwindow SOURCES bench_plotwindow.cpp)
