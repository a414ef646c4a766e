kelvo_test(NAME tst_extcsvreader SOURCES tst_extcsvreader.cpp LABELS unit serial)
