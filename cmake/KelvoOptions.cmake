# Warnings for our own targets, and the sanitizer builds of scripts/test.sh.
add_library(kelvo_warnings INTERFACE)
target_compile_options(kelvo_warnings INTERFACE -Wall -Wextra -Wno-unused-parameter)

set(KELVO_SAN_FLAGS "")
if(KELVO_SANITIZE STREQUAL "address")
  # GCC leaves float-cast-overflow out of "undefined": a float converted to
  # an integer it does not fit is undefined all the same, and fails the tests.
  set(KELVO_SAN_FLAGS -fsanitize=address,undefined,float-cast-overflow -fno-omit-frame-pointer
                      -fno-sanitize-recover=undefined,float-cast-overflow)
elseif(KELVO_SANITIZE STREQUAL "thread")
  set(KELVO_SAN_FLAGS -fsanitize=thread -fno-omit-frame-pointer)
elseif(NOT KELVO_SANITIZE STREQUAL "")
  message(FATAL_ERROR "KELVO_SANITIZE must be empty, address or thread")
endif()
if(KELVO_SAN_FLAGS)
  add_compile_options(${KELVO_SAN_FLAGS})
  add_link_options(${KELVO_SAN_FLAGS})
endif()

find_program(CCACHE_PROGRAM ccache)
if(CCACHE_PROGRAM)
  set(CMAKE_C_COMPILER_LAUNCHER ${CCACHE_PROGRAM})
  set(CMAKE_CXX_COMPILER_LAUNCHER ${CCACHE_PROGRAM})
endif()

set(CMAKE_AUTOMOC ON)
set(CMAKE_AUTOUIC ON)
set(CMAKE_AUTORCC ON)

if(KELVO_FUZZ)
  # Coverage for libFuzzer in every object of the program, not only the target.
  add_compile_options(-fsanitize=fuzzer-no-link)
endif()
