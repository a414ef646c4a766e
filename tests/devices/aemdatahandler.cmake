kelvo_test(NAME tst_aemdatahandler SOURCES tst_aemdatahandler.cpp LABELS unit serial threads)
