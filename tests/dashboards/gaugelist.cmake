kelvo_test(NAME tst_gaugelist SOURCES tst_gaugelist.cpp LABELS unit)
