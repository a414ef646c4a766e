kelvo_bench(NAME bench_plotwidget SOURCES bench_plotwidget.cpp)
