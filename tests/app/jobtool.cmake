kelvo_test(NAME tst_jobtool SOURCES tst_jobtool.cpp LABELS gui threads)
