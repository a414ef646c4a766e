kelvo_test(NAME tst_settingsdialog SOURCES tst_settingsdialog.cpp LABELS gui)
kelvo_test(NAME tst_seriaporttestform SOURCES tst_seriaporttestform.cpp LABELS gui serial)
kelvo_test(NAME tst_datasenderwindow SOURCES tst_datasenderwindow.cpp LABELS gui serial)
kelvo_test(NAME tst_aboutdialog SOURCES tst_aboutdialog.cpp LABELS gui)
