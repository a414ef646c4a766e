kelvo_test(NAME tst_demofiles SOURCES tst_demofiles.cpp LABELS unit)
