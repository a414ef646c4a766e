kelvo_test(NAME tst_crunner_serial SOURCES tst_crunner_serial.cpp LABELS serial)
