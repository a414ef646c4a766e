kelvo_test(NAME tst_q14point7 SOURCES tst_q14point7.cpp LABELS unit serial threads)
kelvo_test(NAME tst_techedgewbo2 SOURCES tst_techedgewbo2.cpp LABELS unit serial)
kelvo_test(NAME tst_q14point7testerwindow SOURCES tst_q14point7testerwindow.cpp LABELS gui serial threads)
