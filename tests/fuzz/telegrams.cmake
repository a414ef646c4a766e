kelvo_fuzz(NAME fuzz_telegrams SOURCES fuzz_telegrams.cpp CORPUS corpus/fuzz_telegrams)
