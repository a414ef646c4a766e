kelvo_test(NAME tst_canproxy SOURCES tst_canproxy.cpp LABELS serial threads)
