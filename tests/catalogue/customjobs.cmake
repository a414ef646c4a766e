kelvo_test(NAME tst_jobargumentrules SOURCES tst_jobargumentrules.cpp LABELS unit)
kelvo_test(NAME tst_createjobdialog SOURCES tst_createjobdialog.cpp LABELS gui)
kelvo_test(NAME tst_prgtabletest SOURCES tst_prgtabletest.cpp LABELS gui)
kelvo_test(NAME tst_managecustomjobform SOURCES tst_managecustomjobform.cpp LABELS gui)
