kelvo_fuzz(NAME fuzz_slcan SOURCES fuzz_slcan.cpp CORPUS corpus/fuzz_slcan)
