kelvo_test(NAME tst_exactnumber SOURCES tst_exactnumber.cpp LABELS unit)
