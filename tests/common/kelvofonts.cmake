kelvo_test(NAME tst_kelvofonts SOURCES tst_kelvofonts.cpp LABELS unit gui)
