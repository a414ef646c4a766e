kelvo_test(NAME tst_qrunnerthread SOURCES tst_qrunnerthread.cpp LABELS unit threads)
