kelvo_fuzz(NAME fuzz_csvlog SOURCES fuzz_csvlog.cpp CORPUS corpus/fuzz_csvlog)
