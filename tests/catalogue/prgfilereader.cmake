kelvo_test(NAME tst_prgfilereader SOURCES tst_prgfilereader.cpp LABELS unit)
