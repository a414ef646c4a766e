kelvo_fuzz(NAME fuzz_joblists SOURCES fuzz_joblists.cpp CORPUS corpus/fuzz_joblists)
