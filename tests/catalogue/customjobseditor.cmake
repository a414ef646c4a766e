kelvo_test(NAME tst_customjobseditor SOURCES tst_customjobseditor.cpp LABELS unit)
