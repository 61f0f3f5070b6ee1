# Runs Windows test programs: directly on Windows, under Wine when cross-building. Each build tree
# gets a private Wine prefix, started once (by the "wine_prefix" fixture) before the first test.

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
  add_test(NAME wine_prefix COMMAND ${LUMIGRAB_TEST_LAUNCHER} --prepare)
  set_tests_properties(wine_prefix PROPERTIES FIXTURES_SETUP wine_prefix SKIP_RETURN_CODE 77
                                              TIMEOUT 300)
endif()

# lumigrab_add_wine_test(<name> COMMAND <exe> [args...]) registers a test that runs <exe> the way
# this build tree runs Windows programs.
function(lumigrab_add_wine_test name)
  cmake_parse_arguments(ARG "" "" "COMMAND" ${ARGN})
  add_test(NAME ${name} COMMAND ${LUMIGRAB_TEST_LAUNCHER} ${ARG_COMMAND})
  set_tests_properties(${name} PROPERTIES SKIP_RETURN_CODE 77 TIMEOUT 600)
  if(LUMIGRAB_TEST_LAUNCHER)
    set_tests_properties(${name} PROPERTIES FIXTURES_REQUIRED wine_prefix)
  endif()
endfunction()
