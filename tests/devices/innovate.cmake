kelvo_test(NAME tst_innovatestream SOURCES tst_innovatestream.cpp LABELS unit serial)
kelvo_test(NAME tst_innovatedatahandler SOURCES tst_innovatedatahandler.cpp LABELS unit serial threads)
kelvo_test(NAME tst_innovatemtsextconfig SOURCES tst_innovatemtsextconfig.cpp LABELS unit)
