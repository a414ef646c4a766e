kelvo_test(NAME tst_ecujoblistwindow SOURCES tst_ecujoblistwindow.cpp LABELS gui)
