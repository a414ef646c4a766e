kelvo_test(NAME tst_plxconfig SOURCES tst_plxconfig.cpp LABELS gui)
