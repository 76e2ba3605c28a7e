# Tests of Windows programs run under Wine through scripts/wine-prefix.sh:
# each test gets a prepared prefix and a temp folder of its own under
# <build>/wine/<test> (shortened), so nothing lands in ~/.wine and no two tests share a
# wineserver. The prefix is a fresh copy of one template prefix, booted by the
# fixture test wine_template once per build tree (and again when Wine
# changes; cmake/wine-template.sh). Every such test runs on an X display of its own
# (scripts/with-display.sh, numbers from $KELVAR_XVFB_DISPLAY), so the tests
# run in parallel. A GoogleTest case skipped inside such a program shows as a
# skipped test, not as a pass. Call kelvar_isolate_wine_tests() at the end of
# every directory that adds such tests (CMake 3.25 sets test properties per
# directory only).
set(KELVAR_WITH_DISPLAY sh ${CMAKE_CURRENT_LIST_DIR}/../scripts/with-display.sh)
set(KELVAR_WINE_TEMPLATE ${CMAKE_BINARY_DIR}/wine/template)

function(kelvar_isolate_wine_tests)
  if(NOT WIN32)
    return()
  endif()
  get_property(tests DIRECTORY PROPERTY TESTS)
  if(tests AND NOT TEST wine_template)
    add_test(NAME wine_template COMMAND ${KELVAR_WITH_DISPLAY}
             sh ${CMAKE_CURRENT_FUNCTION_LIST_DIR}/wine-template.sh ${KELVAR_WINE_TEMPLATE})
    set_tests_properties(wine_template PROPERTIES FIXTURES_SETUP wine_template TIMEOUT 900)
  endif()
  foreach(test IN LISTS tests)
    # Short folder names: tests link to paths in their temp folder, and a
    # tmpfs stores a link of 128 bytes or more in a page of its own.
    set(folder ${test})
    string(LENGTH "${test}" length)
    if(length GREATER 24)
      string(SHA1 hash "${test}")
      string(SUBSTRING "${test}" 0 15 folder)
      string(SUBSTRING "${hash}" 0 8 hash)
      set(folder ${folder}-${hash})
    endif()
    set(base ${CMAKE_BINARY_DIR}/wine/${folder})
    file(MAKE_DIRECTORY ${base}/tmp)
    set_property(TEST ${test} APPEND PROPERTY ENVIRONMENT WINEPREFIX=${base}/prefix TMPDIR=${base}/tmp
                 KELVAR_WINE_TEMPLATE=${KELVAR_WINE_TEMPLATE})
    set_property(TEST ${test} APPEND PROPERTY FIXTURES_REQUIRED wine_template)
    set_property(TEST ${test} APPEND PROPERTY SKIP_REGULAR_EXPRESSION "\\[  SKIPPED \\]")
  endforeach()
endfunction()
