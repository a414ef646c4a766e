kelvo_test(NAME tst_gaugeslive SOURCES tst_gaugeslive.cpp LABELS gui XVFB)
