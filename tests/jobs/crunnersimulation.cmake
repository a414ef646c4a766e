kelvo_test(NAME tst_crunner_simulation SOURCES tst_crunner_simulation.cpp LABELS unit)
