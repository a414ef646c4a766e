kelvo_test(NAME tst_gaugesetupwindow SOURCES tst_gaugesetupwindow.cpp LABELS gui)
