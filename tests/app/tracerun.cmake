kelvo_test(NAME tst_tracerun SOURCES tst_tracerun.cpp LABELS gui threads)
