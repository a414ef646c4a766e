kelvo_test(NAME tst_ecudetectwindow SOURCES tst_ecudetectwindow.cpp LABELS gui threads)
# "Test" makes a thread and a worker per press: leak detection shows that
# both go (Qt's offscreen screen, kept until exit, is suppressed).
if(TEST tst_ecudetectwindow)
  set_tests_properties(tst_ecudetectwindow PROPERTIES ENVIRONMENT
    "QT_QPA_PLATFORM=offscreen;ASAN_OPTIONS=detect_leaks=1;LSAN_OPTIONS=suppressions=${CMAKE_SOURCE_DIR}/tests/lsan.supp;UBSAN_OPTIONS=print_stacktrace=1;TSAN_OPTIONS=halt_on_error=1 second_deadlock_stack=1 history_size=7 suppressions=${CMAKE_SOURCE_DIR}/tests/tsan.supp")
endif()
