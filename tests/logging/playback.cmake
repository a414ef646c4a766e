kelvo_test(NAME tst_extcsvreader SOURCES tst_extcsvreader.cpp LABELS unit serial)
kelvo_test(NAME tst_playback SOURCES tst_playback.cpp LABELS unit)
kelvo_test(NAME tst_playbackthread SOURCES tst_playbackthread.cpp LABELS unit threads TIMEOUT 600)
kelvo_test(NAME tst_playbacktester SOURCES tst_playbacktester.cpp LABELS gui threads)
