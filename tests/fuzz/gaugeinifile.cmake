kelvo_fuzz(NAME fuzz_gaugeinifile SOURCES fuzz_gaugeinifile.cpp CORPUS corpus/fuzz_gaugeinifile)
