kelvo_fuzz(NAME fuzz_plotvalue SOURCES fuzz_plotvalue.cpp CORPUS corpus/fuzz_plotvalue)
