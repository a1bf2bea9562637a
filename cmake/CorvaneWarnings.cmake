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

# What GoogleTest prints for a skipped test: ctest then reports it as skipped, not passed.
set(CORVANE_GTEST_SKIPPED "\\[  SKIPPED \\]")

# A GoogleTest executable registered with CTest; test names carry the suite prefix.
# LABELS go on every test of it (for example `gui`, which the TSan preset leaves out).
# DISPLAY_TESTS need a real X display: they are left out here and each runs under a virtual display of
# its own (corvane_display_test).
function(corvane_test name)
  cmake_parse_arguments(T "" "LEAK_SUPPRESSIONS" "SOURCES;LIBS;LABELS;DISPLAY_TESTS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  corvane_warnings(${name})
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gmock GTest::gtest GTest::gtest_main)
  include(GoogleTest)
  foreach(test IN LISTS T_DISPLAY_TESTS)
    corvane_display_test(${name} ${test})
  endforeach()
  # Qt WebEngine itself trips two sanitizer checks (a mismatched delete, leaks in its own library
  # and fontconfig); only tests that make a web view are let off them, and only them. Their tests
  # are found in the sources at configure time, so the environment can be set as a list.
  if("webengine" IN_LIST T_LABELS)
    corvane_add_tests(${name} SOURCES ${T_SOURCES} EXCLUDE ${T_DISPLAY_TESTS} LABELS ${T_LABELS} ENVIRONMENT
      QT_QPA_PLATFORM=offscreen ASAN_OPTIONS=detect_leaks=1:abort_on_error=0:new_delete_type_mismatch=0
      LSAN_OPTIONS=suppressions=${CMAKE_SOURCE_DIR}/tests/support/webengine.supp)
    return()
  endif()
  # Window tests whose static application outlives Qt's own clean-up (see the suppression file).
  if(T_LEAK_SUPPRESSIONS)
    corvane_add_tests(${name} SOURCES ${T_SOURCES} EXCLUDE ${T_DISPLAY_TESTS} LABELS ${T_LABELS} ENVIRONMENT
      QT_QPA_PLATFORM=offscreen ASAN_OPTIONS=detect_leaks=1:abort_on_error=0:fast_unwind_on_malloc=0
      LSAN_OPTIONS=suppressions=${T_LEAK_SUPPRESSIONS})
    return()
  endif()
  set(props ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
  if(T_LABELS)
    list(APPEND props LABELS "${T_LABELS}")
  endif()
  set(filter "")
  if(T_DISPLAY_TESTS)
    list(JOIN T_DISPLAY_TESTS ":" filter)
    set(filter TEST_FILTER "-${filter}")
  endif()
  # (Discovered tests report a GoogleTest skip as skipped on their own.)
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 ${filter} PROPERTIES ${props})
endfunction()

# Registers the TEST and TEST_F cases written in SOURCES, found at configure time (so ENVIRONMENT,
# one VAR=value per argument, may hold several variables), each run alone. EXCLUDE names cases left
# out (those that run under a virtual display).
function(corvane_add_tests target)
  cmake_parse_arguments(T "" "TIMEOUT" "SOURCES;EXCLUDE;LABELS;ENVIRONMENT" ${ARGN})
  set(found "")
  foreach(source IN LISTS T_SOURCES)
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${source})
    file(READ ${source} text)
    if(text MATCHES "(TEST_P|TYPED_TEST) *\\(")
      message(FATAL_ERROR "${source}: only TEST and TEST_F cases are registered from the sources")
    endif()
    string(REGEX MATCHALL "TEST(_F)? *\\( *[A-Za-z_0-9]+ *, *[A-Za-z_0-9]+ *\\)" hits "${text}")
    foreach(hit IN LISTS hits)
      string(REGEX MATCH "\\( *([A-Za-z_0-9]+) *, *([A-Za-z_0-9]+) *\\)" parts "${hit}")
      set(test ${CMAKE_MATCH_1}.${CMAKE_MATCH_2})
      if(NOT test IN_LIST T_EXCLUDE)
        add_test(NAME ${test} COMMAND ${target} --gtest_filter=${test})
        list(APPEND found ${test})
      endif()
    endforeach()
  endforeach()
  set_tests_properties(${found} PROPERTIES SKIP_REGULAR_EXPRESSION "${CORVANE_GTEST_SKIPPED}"
                       LABELS "${T_LABELS}" ENVIRONMENT "${T_ENVIRONMENT}")
  if(T_TIMEOUT)
    set_tests_properties(${found} PROPERTIES TIMEOUT ${T_TIMEOUT})
  endif()
endfunction()

# One test that needs a real X desktop (a pointer moved by xdotool, a tray), run by
# tests/support/run_on_display.sh on a virtual display of its own; TRAY starts a tray there first and
# waits until it has claimed its selection. Under the wrapper a test that lacks what it needs fails.
function(corvane_display_test target test)
  cmake_parse_arguments(T "TRAY" "" "" ${ARGN})
  set(wrapper bash ${CMAKE_SOURCE_DIR}/tests/support/run_on_display.sh)
  if(T_TRAY)
    list(APPEND wrapper --tray $<TARGET_FILE:corvane-wait-tray>)
  endif()
  add_test(NAME ${test} COMMAND ${wrapper} $<TARGET_FILE:${target}> --gtest_filter=${test})
  # The X client libraries keep allocations to the end: no leak check on the real display.
  set_tests_properties(${test} PROPERTIES LABELS gui SKIP_REGULAR_EXPRESSION "${CORVANE_GTEST_SKIPPED}"
                       ENVIRONMENT "ASAN_OPTIONS=detect_leaks=0")
endfunction()
