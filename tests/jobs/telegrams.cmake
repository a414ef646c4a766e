kelvo_test(NAME tst_ecumsg SOURCES tst_ecumsg.cpp LABELS unit)
kelvo_test(NAME tst_ecudatatable SOURCES tst_ecudatatable.cpp LABELS unit)
kelvo_test(NAME tst_ecudatasolver SOURCES tst_ecudatasolver.cpp LABELS unit)
kelvo_test(NAME tst_datatabletestingform SOURCES tst_datatabletestingform.cpp LABELS gui)
