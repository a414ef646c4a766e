kelvo_test(NAME tst_programclose SOURCES tst_programclose.cpp LABELS gui net threads)
