kelvo_test(NAME tst_ptydevice SOURCES tst_ptydevice.cpp LABELS serial threads)
