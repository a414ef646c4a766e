kelvo_test(NAME tst_jobtoolplan SOURCES tst_jobtoolplan.cpp LABELS unit)
