kelvo_test(NAME tst_resulttablemodel SOURCES tst_resulttablemodel.cpp LABELS unit gui)
kelvo_test(NAME tst_jobargumentdialog SOURCES tst_jobargumentdialog.cpp LABELS gui)
