kelvo_test(NAME tst_filewatch SOURCES tst_filewatch.cpp LABELS unit)
