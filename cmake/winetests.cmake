# Tests of Windows programs run under Wine through scripts/wine-prefix.sh:
# each test gets a prepared prefix and a temp folder of its own under
# <build>/wine/<test>, so nothing lands in ~/.wine and no two tests share a
# wineserver. A GoogleTest case skipped inside such a program shows as a
# skipped test, not as a pass. Call kelvar_isolate_wine_tests() at the end of
# every directory that adds such tests (CMake 3.25 sets test properties per
# directory only).
function(kelvar_isolate_wine_tests)
  if(NOT WIN32)
    return()
  endif()
  get_property(tests DIRECTORY PROPERTY TESTS)
  foreach(test IN LISTS tests)
    set(base ${CMAKE_BINARY_DIR}/wine/${test})
    file(MAKE_DIRECTORY ${base}/tmp)
    set_property(TEST ${test} APPEND PROPERTY ENVIRONMENT WINEPREFIX=${base}/prefix TMPDIR=${base}/tmp)
    set_property(TEST ${test} APPEND PROPERTY SKIP_REGULAR_EXPRESSION "\\[  SKIPPED \\]")
  endforeach()
endfunction()
