kelvo_fuzz(NAME fuzz_jobtoolplan SOURCES fuzz_jobtoolplan.cpp CORPUS corpus/fuzz_jobtoolplan)
