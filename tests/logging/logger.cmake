kelvo_test(NAME tst_datalogger SOURCES tst_datalogger.cpp LABELS unit)
kelvo_test(NAME tst_dataloggerthread SOURCES tst_dataloggerthread.cpp LABELS unit threads)
kelvo_test(NAME tst_dataloggerset SOURCES tst_dataloggerset.cpp LABELS unit)
kelvo_test(NAME tst_loggingwindow SOURCES tst_loggingwindow.cpp LABELS gui threads)
