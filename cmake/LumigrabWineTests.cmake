# Runs Windows test programs: directly on Windows, under Wine when cross-building. Each build tree
# gets a private Wine prefix, started once (by the wine prefix fixture) before the first test.
# Test names start with the architecture ("x64.", "x86."), so both trees can run in one CTest run.

set(LUMIGRAB_TEST_ARCH "" CACHE STRING "Architecture label of this build tree's tests (x64, x86)")
if(NOT LUMIGRAB_TEST_ARCH)
  if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    set(LUMIGRAB_TEST_ARCH x64)
  else()
    set(LUMIGRAB_TEST_ARCH x86)
  endif()
endif()

if(CMAKE_HOST_WIN32)
  set(LUMIGRAB_TEST_LAUNCHER "")
else()
  if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    set(LUMIGRAB_WINE_ARCH win64)
  else()
    set(LUMIGRAB_WINE_ARCH win32)
  endif()
  set(LUMIGRAB_WINE_PREFIX ${PROJECT_BINARY_DIR}/wineprefix)
  set(LUMIGRAB_TEST_LAUNCHER ${PROJECT_SOURCE_DIR}/cmake/run-under-wine.sh
      ${LUMIGRAB_WINE_PREFIX} ${LUMIGRAB_WINE_ARCH})
  set(LUMIGRAB_WINE_FIXTURE wine_prefix_${LUMIGRAB_TEST_ARCH})
  add_test(NAME ${LUMIGRAB_TEST_ARCH}.wine_prefix COMMAND ${LUMIGRAB_TEST_LAUNCHER} --prepare)
  set_tests_properties(${LUMIGRAB_TEST_ARCH}.wine_prefix PROPERTIES
    FIXTURES_SETUP ${LUMIGRAB_WINE_FIXTURE} SKIP_RETURN_CODE 77 TIMEOUT 300)
endif()

# lumigrab_add_wine_test(<name> COMMAND <exe> [args...] [ENVIRONMENT <VAR=value>...]) registers
# the test <arch>.<name> that runs <exe> the way this build tree runs Windows programs.
function(lumigrab_add_wine_test name)
  cmake_parse_arguments(ARG "" "" "COMMAND;ENVIRONMENT" ${ARGN})
  set(test ${LUMIGRAB_TEST_ARCH}.${name})
  add_test(NAME ${test} COMMAND ${LUMIGRAB_TEST_LAUNCHER} ${ARG_COMMAND})
  set_tests_properties(${test} PROPERTIES SKIP_RETURN_CODE 77 TIMEOUT 600)
  if(ARG_ENVIRONMENT)
    set_tests_properties(${test} PROPERTIES ENVIRONMENT "${ARG_ENVIRONMENT}")
  endif()
  if(LUMIGRAB_TEST_LAUNCHER)
    set_tests_properties(${test} PROPERTIES FIXTURES_REQUIRED ${LUMIGRAB_WINE_FIXTURE})
  endif()
endfunction()
