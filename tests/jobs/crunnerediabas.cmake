kelvo_test(NAME tst_crunner_ediabas SOURCES tst_crunner_ediabas.cpp LABELS unit serial threads)
