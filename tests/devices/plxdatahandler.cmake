kelvo_test(NAME tst_plxdatahandler SOURCES tst_plxdatahandler.cpp LABELS unit)
