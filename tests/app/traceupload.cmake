kelvo_test(NAME tst_traceupload SOURCES tst_traceupload.cpp LABELS gui net)
