kelvo_test(NAME tst_mdiarea SOURCES tst_mdiarea.cpp LABELS gui)
