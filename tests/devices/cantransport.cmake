kelvo_test(NAME tst_cantransport SOURCES tst_cantransport.cpp LABELS unit)
