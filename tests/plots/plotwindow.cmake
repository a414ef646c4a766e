kelvo_test(NAME tst_plotwindow SOURCES tst_plotwindow.cpp LABELS gui threads)
kelvo_test(NAME tst_plotwindowlive SOURCES tst_plotwindowlive.cpp LABELS gui XVFB)
