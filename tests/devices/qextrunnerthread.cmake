kelvo_test(NAME tst_qextrunnerthread SOURCES tst_qextrunnerthread.cpp LABELS serial threads)
