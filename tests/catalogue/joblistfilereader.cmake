kelvo_test(NAME tst_joblistfilereader SOURCES tst_joblistfilereader.cpp LABELS unit)
