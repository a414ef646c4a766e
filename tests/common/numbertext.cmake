kelvo_test(NAME tst_numbertext SOURCES tst_numbertext.cpp LABELS unit)
