kelvo_test(NAME tst_extloggersetupwindow SOURCES tst_extloggersetupwindow.cpp LABELS gui serial threads)
