kelvo_test(NAME tst_unitconverter SOURCES tst_unitconverter.cpp LABELS unit)
