kelvo_test(NAME tst_chart2dtables SOURCES tst_chart2dtables.cpp LABELS unit gui)
kelvo_test(NAME tst_basic2dchart SOURCES tst_basic2dchart.cpp LABELS gui)
kelvo_test(NAME tst_ddecustomview SOURCES tst_ddecustomview.cpp LABELS gui)
kelvo_test(NAME tst_chartsxvfb SOURCES tst_chartsxvfb.cpp LABELS gui XVFB)
# Times the event loop while a large chart and its surfaces are fed: alone on
# the machine, so that other tests' load is not taken for its own.
if(TARGET tst_chartsxvfb)
  set_tests_properties(tst_chartsxvfb PROPERTIES RUN_SERIAL TRUE)
endif()
