kelvo_test(NAME tst_ediabasbinding SOURCES tst_ediabasbinding.cpp LABELS unit)
kelvo_test(NAME tst_ediabasstandin SOURCES tst_ediabasstandin.cpp LABELS unit)
kelvo_test(NAME tst_ediabasutils SOURCES tst_ediabasutils.cpp LABELS unit threads)
kelvo_test(NAME tst_ediabassessionlock SOURCES tst_ediabassessionlock.cpp LABELS unit threads)
kelvo_test(NAME tst_ediabasjobcheck SOURCES tst_ediabasjobcheck.cpp LABELS unit)

# A command-line check: one scripted job through the binding, results printed.
if(NOT KELVO_FUZZ)
  add_executable(ediabasjob ${CMAKE_CURRENT_LIST_DIR}/ediabasjob.cpp)
  target_link_libraries(ediabasjob PRIVATE kelvocore kelvo_warnings)
  add_test(NAME tst_ediabasjobtool
           COMMAND ediabasjob -C ${CMAKE_CURRENT_LIST_DIR}/data/ediabasjob D_MOTOR STATUS_LMM)
  set_tests_properties(tst_ediabasjobtool PROPERTIES LABELS unit TIMEOUT 60
    ENVIRONMENT "ASAN_OPTIONS=detect_leaks=0"
    PASS_REGULAR_EXPRESSION "set 1: STAT_LMM_WERT \\(real\\) = 123\\.25.*set 1: JOB_STATUS \\(text\\) = OKAY")
endif()
