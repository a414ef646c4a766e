kelvo_test(NAME tst_canadapter SOURCES tst_canadapter.cpp LABELS serial threads)
