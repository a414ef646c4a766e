kelvo_test(NAME tst_mainwindow SOURCES tst_mainwindow.cpp LABELS gui threads)
