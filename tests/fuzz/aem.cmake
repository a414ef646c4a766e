kelvo_fuzz(NAME fuzz_aem SOURCES fuzz_aem.cpp CORPUS corpus/fuzz_aem)
