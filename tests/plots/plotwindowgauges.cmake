kelvo_test(NAME tst_plotwindowgauges SOURCES tst_plotwindowgauges.cpp LABELS gui threads)
