kelvo_test(NAME tst_safefile SOURCES tst_safefile.cpp LABELS unit)
