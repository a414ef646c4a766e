kelvo_fuzz(NAME fuzz_14point7 SOURCES fuzz_14point7.cpp CORPUS corpus/fuzz_14point7)
