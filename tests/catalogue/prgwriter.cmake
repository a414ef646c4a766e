# A tool, not a test: writes description files from a text description.
if(NOT KELVO_FUZZ)
  add_executable(kelvo_prgwriter ${CMAKE_CURRENT_LIST_DIR}/prgwritertool.cpp)
  target_link_libraries(kelvo_prgwriter PRIVATE kelvotestsupport kelvocore kelvo_warnings)
endif()
