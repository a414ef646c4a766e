kelvo_test(NAME tst_gaugewidgets SOURCES tst_gaugewidgets.cpp LABELS gui)
