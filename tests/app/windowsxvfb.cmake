kelvo_test(NAME tst_windowsxvfb SOURCES tst_windowsxvfb.cpp LABELS gui XVFB)
