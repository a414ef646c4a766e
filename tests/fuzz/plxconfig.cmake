kelvo_fuzz(NAME fuzz_plxconfig SOURCES fuzz_plxconfig.cpp CORPUS corpus/fuzz_plxconfig)
