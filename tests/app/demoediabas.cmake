kelvo_test(NAME tst_demoediabas SOURCES tst_demoediabas.cpp LABELS gui)
