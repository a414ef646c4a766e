kelvo_test(NAME tst_canproxywindow SOURCES tst_canproxywindow.cpp LABELS gui serial threads)
