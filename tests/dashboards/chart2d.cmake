kelvo_test(NAME tst_chart2dtables SOURCES tst_chart2dtables.cpp LABELS unit gui)
kelvo_test(NAME tst_basic2dchart SOURCES tst_basic2dchart.cpp LABELS gui)
kelvo_test(NAME tst_ddecustomview SOURCES tst_ddecustomview.cpp LABELS gui)
kelvo_test(NAME tst_chartsxvfb SOURCES tst_chartsxvfb.cpp LABELS gui XVFB)
