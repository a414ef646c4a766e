kelvo_test(NAME tst_devicedemo SOURCES tst_devicedemo.cpp LABELS unit)
