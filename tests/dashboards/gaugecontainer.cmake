kelvo_test(NAME tst_gaugecontainer SOURCES tst_gaugecontainer.cpp LABELS gui threads)
