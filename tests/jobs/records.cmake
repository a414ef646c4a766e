kelvo_test(NAME tst_records SOURCES tst_records.cpp LABELS unit)
kelvo_test(NAME tst_jobqueue SOURCES tst_jobqueue.cpp LABELS unit threads)
kelvo_test(NAME tst_globaljobreceiver SOURCES tst_globaljobreceiver.cpp LABELS unit threads)
