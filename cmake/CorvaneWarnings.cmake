# Warnings for our own targets only (third-party code is built without them).
function(corvane_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor
                         -Wcast-align -Woverloaded-virtual -Wimplicit-fallthrough)
  if(CORVANE_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
endfunction()

# A library target for one code folder: corvane_<folder>.
function(corvane_library name)
  add_library(${name} ${ARGN})
  corvane_warnings(${name})
  target_include_directories(${name} PUBLIC ${CMAKE_SOURCE_DIR})
endfunction()

# A GoogleTest executable registered with CTest; test names carry the suite prefix.
# LABELS go on every test of it (for example `gui`, which the TSan preset leaves out).
function(corvane_test name)
  cmake_parse_arguments(T "" "" "SOURCES;LIBS;LABELS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  corvane_warnings(${name})
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gmock GTest::gtest GTest::gtest_main)
  include(GoogleTest)
  # Qt WebEngine itself trips two sanitizer checks (a mismatched delete, leaks in its own library
  # and fontconfig); only tests that make a web view are let off them, and only them. Their tests
  # are found in the sources at configure time, so the environment can be set as a list.
  if("webengine" IN_LIST T_LABELS)
    gtest_add_tests(TARGET ${name} SOURCES ${T_SOURCES} TEST_LIST found)
    set_tests_properties(${found} PROPERTIES LABELS "${T_LABELS}" ENVIRONMENT
      "QT_QPA_PLATFORM=offscreen;ASAN_OPTIONS=detect_leaks=1:abort_on_error=0:new_delete_type_mismatch=0;LSAN_OPTIONS=suppressions=${CMAKE_SOURCE_DIR}/tests/support/webengine.supp")
    return()
  endif()
  set(props ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
  if(T_LABELS)
    list(APPEND props LABELS "${T_LABELS}")
  endif()
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 PROPERTIES ${props})
endfunction()
