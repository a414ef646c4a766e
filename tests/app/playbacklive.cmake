kelvo_test(NAME tst_playbacklive SOURCES tst_playbacklive.cpp LABELS gui XVFB)
