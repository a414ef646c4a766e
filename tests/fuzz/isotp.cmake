kelvo_fuzz(NAME fuzz_isotp SOURCES fuzz_isotp.cpp CORPUS corpus/fuzz_isotp)
