kelvo_fuzz(NAME fuzz_customjobs SOURCES fuzz_customjobs.cpp CORPUS corpus/fuzz_customjobs)
