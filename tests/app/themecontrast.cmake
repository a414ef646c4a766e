kelvo_test(NAME tst_themecontrast SOURCES tst_themecontrast.cpp LABELS gui)
