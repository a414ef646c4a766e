kelvo_test(NAME tst_gaugedefmanager SOURCES tst_gaugedefmanager.cpp LABELS unit)
