kelvo_test(NAME tst_menushortcuts SOURCES tst_menushortcuts.cpp LABELS gui XVFB)
