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
  set(env "QT_QPA_PLATFORM=offscreen")
  # Qt WebEngine itself trips two sanitizer checks (a mismatched delete, leaks in its own library
  # and fontconfig); only tests that make a web view are let off them, and only them.
  if("webengine" IN_LIST T_LABELS)
    list(APPEND env "ASAN_OPTIONS=detect_leaks=1:abort_on_error=0:new_delete_type_mismatch=0"
         "LSAN_OPTIONS=suppressions=${CMAKE_SOURCE_DIR}/tests/support/webengine.supp")
  endif()
  list(JOIN env "\\;" env)
  set(props ENVIRONMENT "${env}")
  if(T_LABELS)
    list(JOIN T_LABELS "\\;" labels)
    list(APPEND props LABELS "${labels}")
  endif()
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 PROPERTIES ${props})
endfunction()
