kelvo_test(NAME tst_logginglive SOURCES tst_logginglive.cpp LABELS gui)
