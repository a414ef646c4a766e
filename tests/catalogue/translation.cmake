kelvo_test(NAME tst_bivtopoconverter SOURCES tst_bivtopoconverter.cpp LABELS unit)
kelvo_test(NAME tst_translationviewrform SOURCES tst_translationviewrform.cpp LABELS gui)
