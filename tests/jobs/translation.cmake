kelvo_test(NAME tst_translationmgr SOURCES tst_translationmgr.cpp LABELS unit)
kelvo_test(NAME tst_translationmgrthreads SOURCES tst_translationmgrthreads.cpp LABELS unit threads)
