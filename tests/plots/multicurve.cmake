kelvo_test(NAME tst_multicurveplotwindow SOURCES tst_multicurveplotwindow.cpp LABELS gui threads)
kelvo_test(NAME tst_mlvmultiplot SOURCES tst_mlvmultiplot.cpp LABELS gui)
