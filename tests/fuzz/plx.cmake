kelvo_fuzz(NAME fuzz_plx SOURCES fuzz_plx.cpp CORPUS corpus/fuzz_plx)
